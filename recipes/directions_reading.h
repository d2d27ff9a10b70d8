// The directions of a recipe and the parts that often follow them: paragraphs become steps, and
// lines such as "Description:", "NOTES :" or "Per Serving ..." start a part of their own.
#ifndef MIRTABEL_RECIPES_DIRECTIONS_READING_H
#define MIRTABEL_RECIPES_DIRECTIONS_READING_H

#include <cstddef>
#include <string_view>

#include "recipes/structured_recipe.h"

namespace mirtabel {

class DirectionsReading {
 public:
  explicit DirectionsReading(StructuredRecipe& recipe) noexcept : recipe_(recipe) {}

  // Reads one line of directions or of the parts after them.
  void read(std::string_view text) noexcept;

  // Ends the open step or part: the next line starts a new one. Called at a blank line, at any
  // line that is not directions, and at the recipe's end.
  void close() noexcept;

 private:
  bool starts_part(std::string_view trimmed) noexcept;

  StructuredRecipe& recipe_;
  std::size_t open_ = StructuredRecipe::kNoItem;  // the step or part the next line continues
  bool open_is_step_ = false;
  std::size_t indent_ = 0;  // of the open step's last line
};

}  // namespace mirtabel

#endif
