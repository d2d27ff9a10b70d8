#include "recipes/structured_reading.h"

#include "convert/title_field.h"
#include "recipes/recipe_text.h"

namespace mirtabel {

void StructuredReading::start(LayoutKind layout, const TextLine& title_line,
                              std::size_t title_start) noexcept {
  recipe_.clear();
  directions_.start(layout == LayoutKind::kColumn ? DirectionsReading::Wrapping::kLines
                                                  : DirectionsReading::Wrapping::kParagraphs);
  column_.start();
  labelled_.start();
  layout_ = layout;
  std::string_view title = recipe_text::of(title_line);
  title = title_start == TitleField::kNoStart || title_start >= title.size()
              ? std::string_view()
              : title.substr(title_start);
  const std::size_t writes = recipe_.writes();
  recipe_.add(RecipeField::kName, {}, recipe_text::trim(title));
  follow_pieces(title_line, writes);
}

void StructuredReading::read(const TextLine& line) noexcept {
  const std::string_view text = recipe_text::of(line);
  if (continued_ != StructuredRecipe::kNoItem) {
    // White space on either side of the cut stands for one space; none, for nothing.
    const bool spaced =
        continued_after_space_ || (!text.empty() && recipe_text::is_space(text.front()));
    recipe_.extend(continued_, recipe_text::trim(text), spaced);
    continued_after_space_ = !text.empty() && recipe_text::is_space(text.back());
    if (line.ends_with_line_feed()) continued_ = StructuredRecipe::kNoItem;
    return;
  }
  const std::size_t writes = recipe_.writes();
  if (opens_labelled_recipe(text)) {
    start_labelled(text);
  } else if (layout_ == LayoutKind::kColumn) {
    column_.read(text);
  } else {
    labelled_.read(text);
  }
  follow_pieces(line, writes);
}

// A file whose first line is junk frames its recipes from the wrong line, so that a labelled
// recipe reaches the column reading with its opening ("---------- Recipe via ...") as the
// title and its own "Title:" line among the header: that line starts the recipe again.
bool StructuredReading::opens_labelled_recipe(std::string_view text) const noexcept {
  if (layout_ != LayoutKind::kColumn || !column_.in_header() || recipe_.size() != 1) return false;
  const std::string_view trimmed = recipe_text::trim(text);
  return recipe_text::starts_with_word(trimmed, "Title:");
}

void StructuredReading::start_labelled(std::string_view title_line) noexcept {
  recipe_.clear();
  layout_ = LayoutKind::kLabelled;
  directions_.start(DirectionsReading::Wrapping::kParagraphs);
  labelled_.start();
  const std::string_view title = recipe_text::trim(title_line);
  recipe_.add(RecipeField::kName, {}, recipe_text::trim(title.substr(title.find(':') + 1)));
}

void StructuredReading::follow_pieces(const TextLine& line, std::size_t writes) noexcept {
  continued_ = StructuredRecipe::kNoItem;
  if (line.ends_with_line_feed() || recipe_.writes() == writes) return;
  continued_ = recipe_.last_written();
  const std::string_view text = recipe_text::of(line);
  continued_after_space_ = !text.empty() && recipe_text::is_space(text.back());
}

}  // namespace mirtabel
