// The structured reading of a labelled-layout recipe: "Label: value" header lines up to a blank
// line, then the ingredient block up to the next blank line that no heading follows, in fixed
// columns (amount in 1-7, unit in 9-10, ingredient from 12, and in some blocks a second
// ingredient in the same columns further right), then the directions. A line of five copies of
// one letter closes the recipe.
#ifndef MIRTABEL_RECIPES_LABELLED_READING_H
#define MIRTABEL_RECIPES_LABELLED_READING_H

#include <cstddef>
#include <string_view>

#include "recipes/directions_reading.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class LabelledReading {
 public:
  LabelledReading(StructuredRecipe& recipe, DirectionsReading& directions) noexcept
      : recipe_(recipe), directions_(directions) {}

  void start() noexcept;
  // Reads the recipe's next line after its title line.
  void read(std::string_view text) noexcept;

 private:
  enum class Part { kHeader, kIngredients, kAfterBlank, kDirections };

  void read_header(std::string_view trimmed) noexcept;
  void read_ingredients(std::string_view text) noexcept;
  bool read_ingredient(std::string_view entry, std::size_t side) noexcept;
  std::size_t second_column(std::string_view text) noexcept;
  void learn_indent(std::string_view text) noexcept;

  StructuredRecipe& recipe_;
  DirectionsReading& directions_;
  Part part_ = Part::kHeader;
  // The last ingredient of the left and of the right column: what a continuation extends.
  std::size_t last_ingredient_[2] = {StructuredRecipe::kNoItem, StructuredRecipe::kNoItem};
  // Where the block's second column starts, once a row has shown it; 0 before.
  std::size_t second_column_ = 0;
  // Columns the whole block stands to the right of the layout's, once a row has shown it.
  std::size_t indent_ = 0;
  bool indent_known_ = false;
  std::size_t writes_at_block_ = 0;  // the recipe's writes when the block began
  bool blank_before_block_ = false;  // a second blank line came before its first row
};

}  // namespace mirtabel

#endif
