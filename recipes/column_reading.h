// The structured reading of a column-layout recipe's header and ingredient table: "Label : value"
// header lines up to the rule of hyphens, whose runs give the table's columns (amount, measure,
// ingredient), then ingredient rows up to the first blank line that no heading row follows. The
// directions follow.
#ifndef MIRTABEL_RECIPES_COLUMN_READING_H
#define MIRTABEL_RECIPES_COLUMN_READING_H

#include <cstddef>
#include <string_view>

#include "recipes/directions_reading.h"
#include "recipes/recipe_text.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class ColumnReading {
 public:
  ColumnReading(StructuredRecipe& recipe, DirectionsReading& directions) noexcept
      : recipe_(recipe), directions_(directions) {}

  void start() noexcept;
  // Whether the rule that ends the header has not come yet.
  bool in_header() const noexcept { return part_ == Part::kHeader; }
  // Reads the recipe's next line after its title line.
  void read(std::string_view text) noexcept;

 private:
  enum class Part { kHeader, kIngredients, kAfterBlank, kDirections };

  void read_header(std::string_view text) noexcept;
  void add_header_field(const recipe_text::Labelled& field) noexcept;
  void add_categories(std::string_view list) noexcept;
  void read_rule(std::string_view text) noexcept;
  void read_row(std::string_view text) noexcept;
  bool is_heading_row(std::string_view text) const noexcept;
  bool continues_row_above(std::string_view ingredient) const noexcept;

  StructuredRecipe& recipe_;
  DirectionsReading& directions_;
  Part part_ = Part::kHeader;
  bool in_categories_ = false;  // indented header lines continue the categories
  // The step made of the last header line when it had no label: perhaps the column names.
  std::size_t unlabelled_ = StructuredRecipe::kNoItem;
  std::size_t last_ingredient_ = StructuredRecipe::kNoItem;  // what a continuation row extends
  // The rule's first three runs of hyphens, as columns; ingredient_begin_ is 0 without them.
  std::size_t amount_end_ = 0, measure_begin_ = 0, measure_end_ = 0, ingredient_begin_ = 0;
};

}  // namespace mirtabel

#endif
