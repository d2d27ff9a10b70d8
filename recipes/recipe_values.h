// What a writer takes out of a recipe: which item stands for each field that takes one value and
// which go to comments, a time as minutes, and the nutrients an analysis states. The reading
// keeps everything as written; each writer renders these its own way, so that all say the same.
#ifndef MIRTABEL_RECIPES_RECIPE_VALUES_H
#define MIRTABEL_RECIPES_RECIPE_VALUES_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recipes/structured_recipe.h"

namespace mirtabel {

// The fields that take one value: author, citation, source address, yield, the times,
// description and nutrition.
bool takes_one_value(RecipeField field) noexcept;

// Of each one-value field, the first item that holds a value (for a time, a duration over 0) is
// the field; every other item of it that is not empty and not a time of 0 is a comment under
// its label, as are the comments themselves.
class FieldChoice {
 public:
  explicit FieldChoice(const StructuredRecipe& recipe) noexcept;
  // The item written as `field`, or StructuredRecipe::kNoItem.
  std::size_t chosen(RecipeField field) const noexcept {
    return chosen_[static_cast<std::size_t>(field)];
  }
  bool is_comment(std::size_t item) const noexcept;

 private:
  const StructuredRecipe& recipe_;
  std::size_t chosen_[kRecipeFieldCount];
};

// The longest recipe time, 1,000 hours: a text that says more is a slip or noise, not a time.
constexpr std::int64_t kLongestTimeMinutes = 1000 * 60;

// Minutes in a time written as H:MM ("1:30") or in words ("8 hours 30 minutes", "1 1/2 hours",
// "45 min"), or -1 when the text is neither or says more than kLongestTimeMinutes.
std::int64_t minutes_of(std::string_view text) noexcept;

// One nutrient of an analysis: its schema.org property, the amount as written ("7", "1.5") and
// its unit ("g", "mg", or "calories" for the energy).
struct Nutrient {
  std::string_view property;
  std::string_view amount;
  std::string_view unit;
};

// Calls `found(const Nutrient&)` for each "AMOUNT[UNIT] NAME" of an analysis such as
// "Per Serving: 215 Calories; 7g Fat (29% calories from fat); 410mg Sodium", in order; names it
// does not know are passed over.
template <typename Found>
void for_each_nutrient(std::string_view analysis, Found found) noexcept;

// The pieces of for_each_nutrient, defined in recipe_values.cpp.
namespace nutrition {
// The next ";"- or ","-separated part of `text` (advanced past it), trimmed.
std::string_view next_part(std::string_view& text) noexcept;
bool read(std::string_view part, Nutrient& out) noexcept;
}  // namespace nutrition

template <typename Found>
void for_each_nutrient(std::string_view analysis, Found found) noexcept {
  const std::size_t colon = analysis.find(':');
  if (colon != std::string_view::npos) analysis.remove_prefix(colon + 1);
  while (!analysis.empty()) {
    Nutrient nutrient;
    if (nutrition::read(nutrition::next_part(analysis), nutrient)) found(nutrient);
  }
}

}  // namespace mirtabel

#endif
