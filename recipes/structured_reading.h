// The structured reading of one framed recipe: its title line and the lines after it, read into
// a StructuredRecipe by the rules of the file's layout.
#ifndef MIRTABEL_RECIPES_STRUCTURED_READING_H
#define MIRTABEL_RECIPES_STRUCTURED_READING_H

#include <cstddef>

#include "convert/layout.h"
#include "platform/text_line.h"
#include "recipes/directions_reading.h"
#include "recipes/header_reading.h"
#include "recipes/ingredient_reading.h"
#include "recipes/reading_layout.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class StructuredReading {
 public:
  explicit StructuredReading(const StructuredRecipeStores& stores) noexcept : recipe_(stores) {}
  StructuredReading(const StructuredReading&) = delete;
  StructuredReading& operator=(const StructuredReading&) = delete;

  // A recipe starts; its name is the title line from `title_start` (a byte offset, or
  // TitleField::kNoStart), trimmed.
  void start(LayoutKind layout, const TextLine& title_line, std::size_t title_start) noexcept;
  // The next line after the title line, or a piece of the line before (see LinePiece).
  void read(const TextLine& line, LinePiece piece) noexcept;
  void finish() noexcept { directions_.finish(); }

  const StructuredRecipe& recipe() const noexcept { return recipe_; }

  // Counts the rules that fire, for the coverage report; nullptr (the default) counts none.
  void count_rules(RuleCounts* counts) noexcept {
    header_.count_rules(counts);
    ingredients_.count_rules(counts);
    directions_.count_rules(counts);
  }

 private:
  // The zones of a recipe, in the order they come.
  enum class Zone { kHeader, kIngredients, kAfterBlock, kDirections };

  void start_zones(const ReadingLayout& layout) noexcept;
  void read_line(std::string_view text) noexcept;
  bool opens_labelled_recipe(std::string_view text) const noexcept;
  void start_labelled(std::string_view title_line) noexcept;

  StructuredRecipe recipe_;
  HeaderReading header_{recipe_};
  IngredientReading ingredients_{recipe_};
  DirectionsReading directions_{recipe_};
  const ReadingLayout* layout_ = &kColumnReadingLayout;
  Zone zone_ = Zone::kHeader;
  // The recipe's writes before the last line (not piece) was read.
  std::size_t line_writes_ = 0;
};

}  // namespace mirtabel

#endif
