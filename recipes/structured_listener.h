// What the structured exports share: a listener that reads each recipe the framer hands over
// into a StructuredRecipe and, once the recipe has ended, has the export write it, and that tells
// an observer of every recipe written cut, with its place in the input, so that its whole text
// can be kept.
#ifndef MIRTABEL_RECIPES_STRUCTURED_LISTENER_H
#define MIRTABEL_RECIPES_STRUCTURED_LISTENER_H

#include <cstddef>
#include <cstdint>

#include "convert/conversion_observer.h"
#include "convert/recipe_listener.h"
#include "convert/title_field.h"
#include "recipes/structured_reading.h"

namespace mirtabel {

class StructuredListener : public RecipeListener {
 public:
  // `cut`, when given, hears of each recipe written cut.
  StructuredListener(const StructuredRecipeStores& stores, ConversionObserver* cut) noexcept
      : reading_(stores), cut_(cut) {}

  void recipe_started(LayoutKind layout, const TextLine& title_line,
                      std::size_t title_start) noexcept override {
    reading_.start(layout, title_line, title_start);
    if (cut_ != nullptr) title_size_ = TitleField::build(title_, title_line, title_start);
  }
  void recipe_line(const TextLine& line, LinePiece piece) noexcept override {
    reading_.read(line, piece);
  }
  int recipe_ended(const RecipePlace& place, std::int32_t recipes_before) noexcept override {
    reading_.finish();
    const int error = write(reading_.recipe(), recipes_before);
    if (error != 0 || !reading_.recipe().is_cut()) return error;
    ++cut_recipes_;
    if (cut_ != nullptr)
      cut_->recipe_left_out({title_, title_size_, place, recipes_before, LeftOutReason::kCut});
    return 0;
  }

  StructuredReading& reading() noexcept { return reading_; }
  std::int32_t cut_recipes() const noexcept { return cut_recipes_; }

 protected:
  ~StructuredListener() = default;

 private:
  // Writes the recipe read, the `recipes_before`-th from 0. Returns 0 or an errno value.
  virtual int write(const StructuredRecipe& recipe, std::int32_t recipes_before) noexcept = 0;

  StructuredReading reading_;
  ConversionObserver* cut_;
  std::int32_t cut_recipes_ = 0;
  std::size_t title_size_ = 0;
  unsigned char title_[TitleField::kMaxBytes];
};

}  // namespace mirtabel

#endif
