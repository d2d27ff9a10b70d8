#include "exports/left_out_reporter.h"

#include <cstring>

#include "convert/title_field.h"

namespace mirtabel {
namespace {

// Out of line, so that the title's copy and the side file's copy buffer are never on the stack
// at once: this runs at the conversion's depth, where the stack is nearly at its bound.
[[gnu::noinline]] void tell(const ApiSettings& settings, const LeftOutRecipe& recipe) noexcept {
  // The title without the field's padding, null-terminated for C.
  char title[TitleField::kMaxBytes + 1];
  std::size_t size =
      recipe.title_size < TitleField::kMaxBytes ? recipe.title_size : TitleField::kMaxBytes;
  while (size > 0 && recipe.title_field[size - 1] == ' ')
    --size;
  std::memcpy(title, recipe.title_field, size);
  title[size] = '\0';
  mirtabel_left_out heard{};
  heard.title = title;
  heard.reason =
      recipe.reason == LeftOutReason::kCut ? MIRTABEL_LEFT_OUT_CUT : MIRTABEL_LEFT_OUT_TOO_LONG;
  heard.begin = recipe.place.begin;
  heard.end = recipe.place.end;
  heard.first_line_end = recipe.place.first_line_end;
  heard.records_before = recipe.records_before;
  settings.left_out(settings.left_out_context, &heard);
}

}  // namespace

void LeftOutReporter::recipe_left_out(const LeftOutRecipe& recipe) noexcept {
  // Counts up to the int32_t limit, as the records do, and no further.
  if (recipe.reason == LeftOutReason::kTooLong && count_ < INT32_MAX) ++count_;
  if (side_file_ != nullptr) side_file_->add(recipe.place);
  if (settings_.left_out != nullptr) tell(settings_, recipe);
}

}  // namespace mirtabel
