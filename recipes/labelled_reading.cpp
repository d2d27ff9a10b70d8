#include "recipes/labelled_reading.h"

#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

using recipe_text::columns;
using recipe_text::trim;

// Where the second of two ingredients side by side starts.
constexpr std::size_t kSecondColumn = 40;

// "MMMMM": five copies of one letter.
bool is_end_line(std::string_view trimmed) noexcept {
  if (trimmed.size() != 5) return false;
  const char c = trimmed[0];
  if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return trimmed.find_first_not_of(c) == std::string_view::npos;
}

// "-----FOR THE SAUCE-----": hyphens around a word.
bool is_heading(std::string_view trimmed) noexcept {
  return trimmed.size() > 2 && trimmed.front() == '-' && trimmed.back() == '-' &&
         !recipe_text::is_hyphen_rule(trimmed);
}

bool is_unit(std::string_view unit) noexcept {
  for (char c : unit) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

bool is_label(std::string_view label, std::string_view name) noexcept {
  return label.size() == name.size() && recipe_text::starts_with_word(label, name);
}

struct Ingredient {
  std::string_view amount, unit, text;
};

// An ingredient in its columns, relative to the start of `entry`; false when it does not stand
// in them.
bool split_ingredient(std::string_view entry, Ingredient& out) noexcept {
  out.amount = trim(columns(entry, 0, 7));
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
    case Part::kDirections:
      return directions_.read(text);
  }
}

void LabelledReading::read_header(std::string_view trimmed) noexcept {
  if (trimmed.empty()) {
    part_ = Part::kIngredients;
    return;
  }
  recipe_text::Labelled field;
  if (!recipe_text::split_label(trimmed, field)) {
    recipe_.add(RecipeField::kStep, {}, trimmed);
    return;
  }
  if (is_label(field.label, "Categories")) {
    for (std::string_view list = field.value; !list.empty();) {
      const std::size_t comma = list.find(',');
      const std::string_view name = trim(list.substr(0, comma));
      if (!name.empty()) recipe_.add(RecipeField::kCategory, {}, name);
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return;
  }
  const bool yield = is_label(field.label, "Servings") || is_label(field.label, "Yield");
  recipe_.add(yield ? RecipeField::kYield : RecipeField::kComment, field.label, field.value);
}

// Every line is an entry. A heading becomes one ending in a colon; a line that does not stand in
// the ingredient columns is kept whole, its words separated by single spaces.
void LabelledReading::read_ingredients(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (trimmed.empty()) {
    part_ = Part::kDirections;
    return;
  }
  if (recipe_text::is_hyphen_rule(trimmed)) return;
  if (is_heading(trimmed)) {
    std::string_view name = trimmed;
    while (name.front() == '-')
      name.remove_prefix(1);
    while (name.back() == '-')
      name.remove_suffix(1);
    name = trim(name);
    const std::size_t heading = recipe_.add(RecipeField::kIngredient, {}, name);
    if (name.back() != ':') recipe_.extend(heading, ":", false);
    last_ingredient_[0] = last_ingredient_[1] = StructuredRecipe::kNoItem;
    return;
  }
  Ingredient right;
  const std::string_view second = columns(text, kSecondColumn);
  const bool two = !second.empty() &&
                   recipe_text::is_blank(columns(text, kSecondColumn - 1, kSecondColumn)) &&
                   split_ingredient(second, right) && !right.text.empty();
  const std::string_view first = two ? columns(text, 0, kSecondColumn) : text;
  if (!read_ingredient(first, 0)) {
    last_ingredient_[0] = recipe_.add_words(RecipeField::kIngredient, trimmed);
    return;
  }
  if (two) read_ingredient(second, 1);
}

// Amount, unit and text joined by single spaces; an entry with neither amount nor unit whose
// text starts with a hyphen continues the ingredient above it in the same column.
bool LabelledReading::read_ingredient(std::string_view entry, std::size_t side) noexcept {
  Ingredient ingredient;
  if (!split_ingredient(entry, ingredient)) return false;
  std::size_t& last = last_ingredient_[side];
  if (ingredient.amount.empty() && ingredient.unit.empty()) {
    if (ingredient.text.empty()) return true;
    if (ingredient.text.front() == '-' && last != StructuredRecipe::kNoItem) {
      recipe_.extend(last, trim(ingredient.text.substr(1)));
      return true;
    }
  }
  last = recipe_.add(RecipeField::kIngredient, {}, ingredient.amount);
  recipe_.extend(last, ingredient.unit);
  recipe_.extend(last, ingredient.text);
  return true;
}

}  // namespace mirtabel
