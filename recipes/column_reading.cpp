#include "recipes/column_reading.h"

#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

using recipe_text::trim;

constexpr std::string_view kRule = "--------";
constexpr std::string_view kPreparationTime = "Preparation Time";

bool is_label(std::string_view label, std::string_view name) noexcept {
  return label.size() == name.size() && recipe_text::starts_with_word(label, name);
}

// "Amount  Measure       Ingredient -- Preparation Method"
bool names_columns(std::string_view line) noexcept {
  return line.find("Amount") != std::string_view::npos &&
         line.find("Ingredient") != std::string_view::npos;
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
  unlabelled_ = recipe_.add(RecipeField::kStep, {}, trimmed);
}

void ColumnReading::add_header_field(const recipe_text::Labelled& field) noexcept {
  if (is_label(field.label, "Categories")) {
    add_categories(field.value);
    in_categories_ = true;
    return;
  }
  RecipeField kind = RecipeField::kComment;
  if (is_label(field.label, "Recipe By")) kind = RecipeField::kAuthor;
  if (is_label(field.label, "Serving Size")) kind = RecipeField::kYield;
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

// A row is an amount, a measure and the ingredient, each in its column and joined by single
// spaces. A row with neither amount nor measure continues the ingredient above it; one without
// an amount that ends in a colon heads a section. A row that does not stand in the columns is
// kept whole as an ingredient, its words separated by single spaces.
void ColumnReading::read_row(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (trimmed.empty()) {
    part_ = Part::kDirections;
    return;
  }
  if (recipe_text::is_hyphen_rule(trimmed)) return;
  using recipe_text::columns;
  const std::string_view amount = trim(columns(text, 0, amount_end_));
  const std::string_view measure = trim(columns(text, measure_begin_, measure_end_));
  const std::string_view ingredient = trim(columns(text, ingredient_begin_));
  const bool fits = recipe_text::is_blank(columns(text, amount_end_, measure_begin_)) &&
                    recipe_text::is_blank(columns(text, measure_end_, ingredient_begin_)) &&
                    (amount.empty() || recipe_text::is_amount(amount));
  if (!fits) {
    last_ingredient_ = recipe_.add_words(RecipeField::kIngredient, trimmed);
    return;
  }
  if (amount.empty() && trimmed.back() == ':') {
    const std::size_t heading = recipe_.add(RecipeField::kIngredient, {}, measure);
    recipe_.extend(heading, ingredient);
    last_ingredient_ = StructuredRecipe::kNoItem;
  } else if (amount.empty() && measure.empty() && last_ingredient_ != StructuredRecipe::kNoItem) {
    recipe_.extend(last_ingredient_, ingredient);
  } else {
    last_ingredient_ = recipe_.add(RecipeField::kIngredient, {}, amount);
    recipe_.extend(last_ingredient_, measure);
    recipe_.extend(last_ingredient_, ingredient);
  }
}

}  // namespace mirtabel
