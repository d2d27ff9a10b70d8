#include "recipes/column_reading.h"

#include "recipes/recipe_text.h"
#include "recipes/recipe_values.h"

namespace mirtabel {
namespace {

using recipe_text::has_word;
using recipe_text::is_label;
using recipe_text::is_person_name;
using recipe_text::trim;

constexpr std::string_view kRule = "--------";
constexpr std::string_view kPreparationTime = "Preparation Time";

// "Amount  Measure       Ingredient -- Preparation Method"
bool names_columns(std::string_view line) noexcept {
  return line.find("Amount") != std::string_view::npos &&
         line.find("Ingredient") != std::string_view::npos;
}

// A book, magazine or paper rather than a person: a title in quotes, a year or issue number, or
// a word that names a publication.
bool names_a_publication(std::string_view text) noexcept {
  if (text.find_first_of("\"0123456789") != std::string_view::npos) return true;
  for (std::string_view word :
       {"cookbook", "book", "magazine", "journal", "times", "gazette", "digest", "news", "press",
        "quarterly", "monthly", "weekly", "edition", "vol", "newsletter", "herald", "tribune"}) {
    if (has_word(text, word)) return true;
  }
  return false;
}

// Where "Recipe By" goes: a web address is the recipe's source, an e-mail address is no name and
// stays a comment, a person's name is the author, and a book, magazine or any other source is
// cited.
RecipeField credit_field(std::string_view value) noexcept {
  if (recipe_text::has_web_address(value)) return RecipeField::kBasedOn;
  if (recipe_text::has_email_address(value)) return RecipeField::kComment;
  if (!names_a_publication(value) && is_person_name(value)) return RecipeField::kAuthor;
  return RecipeField::kCitation;
}

// A person's name beside an e-mail address: "Jane Doe <jdoe@example.com>",
// "jdoe@example.com (Jane Doe)". Gives the name and the address without its brackets.
bool splits_name_and_address(std::string_view text, std::string_view& name,
                             std::string_view& address) noexcept {
  const std::size_t at = text.find('@');
  if (at == std::string_view::npos || !recipe_text::has_email_address(text)) return false;
  std::size_t begin = text.find_last_of(" \t", at);
  begin = begin == std::string_view::npos ? 0 : begin + 1;
  std::size_t end = text.find_first_of(" \t", at);
  if (end == std::string_view::npos) end = text.size();
  address = text.substr(begin, end - begin);
  std::string_view before = trim(text.substr(0, begin));
  std::string_view after = trim(text.substr(end));
  while (!address.empty() && (address.front() == '<' || address.front() == '('))
    address.remove_prefix(1);
  while (!address.empty() && (address.back() == '>' || address.back() == ')' ||
                              address.back() == ',' || address.back() == '.'))
    address.remove_suffix(1);
  // The name stands on one side, perhaps in brackets or after a dash.
  name = !before.empty() ? before : after;
  if (!before.empty() && !after.empty()) return false;
  while (!name.empty() && (name.front() == '(' || name.front() == '-'))
    name = trim(name.substr(1));
  while (!name.empty() && (name.back() == ')' || name.back() == '-' || name.back() == ','))
    name = trim(name.substr(0, name.size() - 1));
  return !address.empty() && !name.empty() && is_person_name(name);
}

}  // namespace

void ColumnReading::start() noexcept {
  part_ = Part::kHeader;
  in_categories_ = false;
  unlabelled_ = last_ingredient_ = StructuredRecipe::kNoItem;
  ingredient_begin_ = 0;
}

void ColumnReading::read(std::string_view text) noexcept {
  switch (part_) {
    case Part::kHeader:
      return read_header(text);
    case Part::kIngredients:
      return read_row(text);
    case Part::kAfterBlank:
      // The block goes on across blank lines before a heading row.
      if (recipe_text::is_blank(text)) return;
      if (is_heading_row(text)) {
        part_ = Part::kIngredients;
        return read_row(text);
      }
      part_ = Part::kDirections;
      return directions_.read(text);
    case Part::kDirections:
      return directions_.read(text);
  }
}

// The header ends at the line that holds the rule, as in the flat records. The line just above
// the rule names the table's columns and is dropped: only when it does, so that no other text is.
void ColumnReading::read_header(std::string_view text) noexcept {
  if (text.find(kRule) != std::string_view::npos) {
    if (unlabelled_ != StructuredRecipe::kNoItem && names_columns(recipe_.value(unlabelled_)))
      recipe_.drop_last();
    read_rule(text);
    // Without the table's columns, what follows is read as directions.
    part_ = ingredient_begin_ > 0 ? Part::kIngredients : Part::kDirections;
    return;
  }
  const std::string_view trimmed = trim(text);
  const bool continues_categories =
      in_categories_ && recipe_text::indent(text) > 0 && text.find(':') == std::string_view::npos;
  unlabelled_ = StructuredRecipe::kNoItem;
  in_categories_ = false;
  if (trimmed.empty()) return;
  if (continues_categories) {
    add_categories(trimmed);
    in_categories_ = true;
    return;
  }
  // "Serving Size : 8   Preparation Time : 1:30" holds two fields.
  recipe_text::Labelled field;
  const std::size_t time = text.find(kPreparationTime);
  if (time != std::string_view::npos && !recipe_text::is_blank(text.substr(0, time))) {
    recipe_text::Labelled second;
    if (recipe_text::split_label(text.substr(0, time), field) &&
        recipe_text::split_label(text.substr(time), second)) {
      add_header_field(field);
      add_header_field(second);
      return;
    }
  } else if (recipe_text::split_label(text, field)) {
    add_header_field(field);
    return;
  }
  // An archive whose first line is blank frames every recipe from an empty title line: the
  // title is then the first line of the header that has no label.
  if (recipe_.size() == 1 && recipe_.value(0).empty()) return recipe_.extend_words(0, trimmed);
  unlabelled_ = recipe_.add_words(RecipeField::kStep, {}, trimmed);
}

void ColumnReading::add_header_field(const recipe_text::Labelled& field) noexcept {
  if (is_label(field.label, "Categories")) {
    add_categories(field.value);
    in_categories_ = true;
    return;
  }
  RecipeField kind = RecipeField::kComment;
  if (is_label(field.label, "Recipe By")) {
    std::string_view name, address;
    if (splits_name_and_address(field.value, name, address)) {
      recipe_.add(RecipeField::kAuthor, field.label, name);
      recipe_.add(RecipeField::kComment, field.label, address);
      return;
    }
    kind = credit_field(field.value);
  }
  if (is_label(field.label, "Serving Size")) kind = serving_count_field(field.value);
  if (is_label(field.label, kPreparationTime)) kind = RecipeField::kPrepTime;
  recipe_.add(kind, field.label, field.value);
}

// Categories stand in columns: names are separated by two spaces or more.
void ColumnReading::add_categories(std::string_view list) noexcept {
  while (!list.empty()) {
    std::size_t end = list.find("  ");
    const std::size_t tab = list.find('\t');
    if (tab < end) end = tab;
    const std::string_view name = trim(list.substr(0, end));
    if (!name.empty()) recipe_.add(RecipeField::kCategory, {}, name);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
  }
}

void ColumnReading::read_rule(std::string_view text) noexcept {
  std::size_t bounds[6];
  std::size_t found = 0;
  std::size_t column = 0;
  bool in_run = false;
  for (std::size_t at = 0; at < text.size() && found < 6; ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    const bool hyphen = text[at] == '-';
    if (hyphen != in_run) bounds[found++] = column;
    in_run = hyphen;
    ++column;
  }
  if (found == 5) bounds[found++] = column;  // the ingredient run reaches the line's end
  if (found < 5) return;                     // fewer than three runs: no columns
  amount_end_ = bounds[1];
  measure_begin_ = bounds[2];
  measure_end_ = bounds[3];
  ingredient_begin_ = bounds[4];
}

// A heading row: the words of a decorated heading, or words ending in a colon where the
// ingredient stands ("For the sauce:").
bool ColumnReading::is_heading_row(std::string_view text) const noexcept {
  const std::string_view trimmed = trim(text);
  std::string_view name;
  if (recipe_text::is_placeholder(trimmed)) return false;
  if (recipe_text::is_decorated_heading(trimmed, name)) return true;
  return trimmed.back() == ':' &&
         recipe_text::is_blank(recipe_text::columns(text, 0, ingredient_begin_));
}

// A row without amount or measure continues the ingredient above only when the two rows say
// so: it starts with a hyphen or a bracket ("-- beaten", "(optional)"), or the row above stops
// where an ingredient cannot end ("1/2 lb shrimp, lightly" / "cooked and peeled"). A row that names
// an ingredient of its own ("salt and pepper -- to taste") stays one, however long the row above.
bool ColumnReading::continues_row_above(std::string_view ingredient) const noexcept {
  if (last_ingredient_ == StructuredRecipe::kNoItem || ingredient.empty()) return false;
  return recipe_text::starts_continuation(ingredient) ||
         recipe_text::ends_unfinished(recipe_.value(last_ingredient_), ingredient);
}

// The tests of a row, in order: a blank line may end the block; a placeholder or a rule is
// passed over; a heading row becomes "Words:"; a row out of the columns is kept whole, its words
// separated by single spaces; a row that continues the one above joins it; any other row is an
// ingredient: amount, measure and ingredient joined by single spaces.
void ColumnReading::read_row(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (trimmed.empty()) {
    part_ = Part::kAfterBlank;
    return;
  }
  if (recipe_text::is_placeholder(trimmed) || recipe_text::is_hyphen_rule(trimmed)) return;
  std::string_view name;
  if (recipe_text::is_decorated_heading(trimmed, name)) {
    recipe_.add(RecipeField::kIngredientHeading, {}, recipe_text::without_colon(name));
    if (recipe_text::is_loaf_size(name) && !recipe_.has(RecipeField::kYield))
      recipe_.add(RecipeField::kYield, {}, name);
    last_ingredient_ = StructuredRecipe::kNoItem;
    return;
  }
  using recipe_text::columns;
  const std::string_view amount = trim(columns(text, 0, amount_end_));
  const std::string_view measure = trim(columns(text, measure_begin_, measure_end_));
  const std::string_view ingredient = trim(columns(text, ingredient_begin_));
  const bool fits = recipe_text::is_blank(columns(text, amount_end_, measure_begin_)) &&
                    recipe_text::is_blank(columns(text, measure_end_, ingredient_begin_)) &&
                    (amount.empty() || recipe_text::is_amount(amount));
  if (!fits) {
    last_ingredient_ = recipe_.add_words(RecipeField::kIngredient, {}, trimmed);
    return;
  }
  if (amount.empty() && trimmed.back() == ':') {
    const std::size_t heading =
        recipe_.add_words(RecipeField::kIngredientHeading, {},
                          ingredient.empty() ? recipe_text::without_colon(measure) : measure);
    recipe_.extend_words(heading, recipe_text::without_colon(ingredient));
    last_ingredient_ = StructuredRecipe::kNoItem;
  } else if (amount.empty() && measure.empty() && continues_row_above(ingredient)) {
    recipe_.extend_words(last_ingredient_, ingredient);
  } else {
    last_ingredient_ = recipe_.add_words(RecipeField::kIngredient, {}, amount);
    recipe_.extend_words(last_ingredient_, measure);
    recipe_.extend_words(last_ingredient_, ingredient);
  }
}

}  // namespace mirtabel
