#include "recipes/labelled_reading.h"

#include "recipes/recipe_text.h"
#include "recipes/recipe_values.h"

namespace mirtabel {
namespace {

using recipe_text::columns;
using recipe_text::is_digit;
using recipe_text::is_label;
using recipe_text::trim;

// Where the second of two ingredients side by side may start: around the middle of the line.
constexpr std::size_t kSecondColumnFirst = 30;
constexpr std::size_t kSecondColumnLast = 50;

// "MMMMM": five copies of one letter.
bool is_end_line(std::string_view trimmed) noexcept {
  if (trimmed.size() != 5) return false;
  const char c = trimmed[0];
  if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return trimmed.find_first_not_of(c) == std::string_view::npos;
}

// "-----FOR THE SAUCE-----", "MMMMM---SAUCE---", "***FILLING***": a heading of the rows after
// it.
bool is_heading(std::string_view trimmed, std::string_view& name) noexcept {
  return !recipe_text::is_placeholder(trimmed) && recipe_text::is_decorated_heading(trimmed, name);
}

bool is_unit(std::string_view unit) noexcept {
  for (char c : unit) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

struct Ingredient {
  std::string_view amount, unit, text;
};

// An ingredient in its columns, relative to the start of `entry`; false when it does not stand
// in them.
constexpr std::size_t kAmountEnd = 7;  // the amount stands in columns 1-7

bool split_ingredient(std::string_view entry, Ingredient& out) noexcept {
  out.amount = trim(columns(entry, 0, kAmountEnd));
  out.unit = trim(columns(entry, 8, 10));
  out.text = trim(columns(entry, 11));
  return recipe_text::is_blank(columns(entry, 7, 8)) &&
         recipe_text::is_blank(columns(entry, 10, 11)) &&
         (out.amount.empty() || recipe_text::is_amount(out.amount)) && is_unit(out.unit);
}

}  // namespace

void LabelledReading::start() noexcept {
  part_ = Part::kHeader;
  last_ingredient_[0] = last_ingredient_[1] = StructuredRecipe::kNoItem;
  second_column_ = 0;
  indent_ = 0;
  indent_known_ = false;
}

void LabelledReading::read(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (is_end_line(trimmed)) {
    directions_.close();
    part_ = Part::kDirections;  // anything after it is kept as directions
    return;
  }
  switch (part_) {
    case Part::kHeader:
      return read_header(trimmed);
    case Part::kIngredients:
      return read_ingredients(text);
    case Part::kAfterBlank: {
      // The block goes on across blank lines before a heading.
      std::string_view name;
      if (trimmed.empty()) return;
      if (is_heading(trimmed, name)) {
        part_ = Part::kIngredients;
        return read_ingredients(text);
      }
      part_ = Part::kDirections;
      return directions_.read(text);
    }
    case Part::kDirections:
      return directions_.read(text);
  }
}

void LabelledReading::read_header(std::string_view trimmed) noexcept {
  if (trimmed.empty()) {
    part_ = Part::kIngredients;
    writes_at_block_ = recipe_.writes();
    blank_before_block_ = false;
    return;
  }
  recipe_text::Labelled field;
  if (!recipe_text::split_label(trimmed, field)) {
    recipe_.add_words(RecipeField::kStep, {}, trimmed);
    return;
  }
  if (is_label(field.label, "Categories")) {
    // "Categories: None" is what the program writes for a recipe in none.
    if (is_label(field.value, "None")) return;
    for (std::string_view list = field.value; !list.empty();) {
      const std::size_t comma = list.find(',');
      const std::string_view name = trim(list.substr(0, comma));
      if (!name.empty()) recipe_.add(RecipeField::kCategory, {}, name);
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return;
  }
  if (is_label(field.label, "Servings") || is_label(field.label, "Yield")) {
    recipe_.add(serving_count_field(field.value), field.label, field.value);
    return;
  }
  DirectionsReading::Part part;
  if (DirectionsReading::starts_labelled_part(trimmed, part) &&
      part.field != RecipeField::kComment) {
    recipe_.add(part.field, part.label, part.value);
    return;
  }
  recipe_.add(RecipeField::kComment, field.label, field.value);
}

// Where the second entry of the row starts, or 0 when the row holds one. The block's rows line
// up: the first row that shows two entries fixes the column for the rest. A second entry shows
// where a right-aligned amount ends one column before the unit, after a space.
std::size_t LabelledReading::second_column(std::string_view text) noexcept {
  Ingredient left, right;
  const auto holds_two = [&](std::size_t at) {
    return !columns(text, at).empty() && recipe_text::is_blank(columns(text, at - 1, at)) &&
           split_ingredient(columns(text, at), right) && !right.text.empty() &&
           split_ingredient(columns(text, 0, at), left);
  };
  if (second_column_ != 0) return holds_two(second_column_) ? second_column_ : 0;
  for (std::size_t at = kSecondColumnFirst; at <= kSecondColumnLast; ++at) {
    const std::string_view amount_end = columns(text, at + 6, at + 7);
    if (amount_end.empty() || !is_digit(amount_end[0]) || !holds_two(at)) continue;
    second_column_ = at;
    return at;
  }
  return 0;
}

// The tests of a row, in order: a blank line may end the block; a placeholder or a rule is
// passed over; a heading becomes one ending in a colon; a row of two entries is read left then
// right; a row that does not stand in the ingredient columns is kept whole, its words separated
// by single spaces.
void LabelledReading::read_ingredients(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (trimmed.empty()) {
    // Some exports leave more than one blank line between the header and the block.
    if (recipe_.writes() != writes_at_block_) part_ = Part::kAfterBlank;
    blank_before_block_ = true;
    return;
  }
  learn_indent(text);
  if (indent_ > 0 && recipe_text::is_blank(columns(text, 0, indent_))) {
    // A mark in the margin before the amounts continues the row above: "  :     2    inch".
    if (recipe_text::is_continuation_mark(trimmed.front()) &&
        recipe_text::indent(text) < indent_ + 7 && last_ingredient_[0] != StructuredRecipe::kNoItem)
      return recipe_.extend_words(last_ingredient_[0], recipe_text::without_marks(trimmed));
    text = columns(text, indent_);
  }
  if (recipe_text::is_placeholder(trimmed) || recipe_text::is_hyphen_rule(trimmed)) return;
  std::string_view name;
  if (is_heading(trimmed, name)) {
    recipe_.add(RecipeField::kIngredientHeading, {}, recipe_text::without_colon(name));
    if (recipe_text::is_loaf_size(name) && !recipe_.has(RecipeField::kYield))
      recipe_.add(RecipeField::kYield, {}, name);
    last_ingredient_[0] = last_ingredient_[1] = StructuredRecipe::kNoItem;
    return;
  }
  const std::size_t second = second_column(text);
  const std::string_view first = second != 0 ? columns(text, 0, second) : text;
  if (!read_ingredient(first, 0)) {
    // Text after a second blank line that does not stand in the columns is no block at all.
    if (blank_before_block_ && recipe_.writes() == writes_at_block_) {
      part_ = Part::kDirections;
      return directions_.read(text);
    }
    last_ingredient_[0] = recipe_.add_words(RecipeField::kIngredient, {}, trimmed);
    return;
  }
  if (second != 0) read_ingredient(columns(text, second), 1);
}

// Where the block's amounts end, when they stand further right than the layout's seven
// columns: some exports indent the whole block ("        2 lb lamb"). The first row that
// starts with an amount shows it, by where the amount ends.
void LabelledReading::learn_indent(std::string_view text) noexcept {
  if (indent_known_) return;
  const std::size_t first = recipe_text::indent(text);
  if (first >= text.size() || !is_digit(text[first])) return;
  indent_known_ = true;
  std::size_t end = first;
  while (end < text.size() && (recipe_text::is_amount(text.substr(end, 1))))
    ++end;
  while (end > first && recipe_text::is_space(text[end - 1]))
    --end;
  const std::size_t amount_end = recipe_text::chars_of(text.substr(0, end));
  if (amount_end > kAmountEnd && amount_end <= kAmountEnd + 4) indent_ = amount_end - kAmountEnd;
}

// Amount, unit and text joined by single spaces. An entry with neither amount nor unit
// continues the ingredient above it in the same column when the two say so: it opens with a
// continuation mark (";inch thick", "-- beaten", ":cut into"), or the one above stops where an
// ingredient cannot end ("seeded and" / "chopped").
bool LabelledReading::read_ingredient(std::string_view entry, std::size_t side) noexcept {
  Ingredient ingredient;
  if (!split_ingredient(entry, ingredient)) return false;
  std::size_t& last = last_ingredient_[side];
  if (ingredient.amount.empty() && ingredient.unit.empty()) {
    if (ingredient.text.empty()) return true;
    if (last != StructuredRecipe::kNoItem &&
        (recipe_text::starts_continuation(ingredient.text) ||
         recipe_text::ends_unfinished(recipe_.value(last), ingredient.text))) {
      recipe_.extend_words(last, recipe_text::without_marks(ingredient.text));
      return true;
    }
  }
  last = recipe_.add_words(RecipeField::kIngredient, {}, ingredient.amount);
  recipe_.extend(last, ingredient.unit);
  recipe_.extend_words(last, ingredient.text);
  return true;
}

}  // namespace mirtabel
