// Values a writer takes out of a recipe's text: a time as minutes, and the nutrients an analysis
// states. The reading keeps both as written; each writer renders them its own way.
#ifndef MIRTABEL_RECIPES_RECIPE_VALUES_H
#define MIRTABEL_RECIPES_RECIPE_VALUES_H

#include <cstddef>
#include <string_view>

namespace mirtabel {

// Minutes in a time written as H:MM ("1:30") or in words ("8 hours 30 minutes", "1 1/2 hours",
// "45 min"), or -1 when the text is neither.
long minutes_of(std::string_view text) noexcept;

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
