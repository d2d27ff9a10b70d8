#include "convert/labelled_layout.h"

#include "convert/title_field.h"
#include "platform/utf8.h"

namespace mirtabel {
namespace {

// Byte offset just past the character that starts at `offset`.
std::size_t next_char(const TextLine& line, std::size_t offset) noexcept {
  return offset + utf8::sequence_length(line.bytes[offset]);
}

}  // namespace

bool LabelledLayout::is_indented_slowly(const TextLine& line) noexcept {
  std::size_t offset = 0;
  std::size_t chars = 0;
  while (chars < 3 && offset < line.size) {
    chars += utf8::wide_width(line.bytes[offset]);
    offset = next_char(line, offset);
  }
  return chars == 3 && offset + 1 < line.size && line.bytes[offset] == ' ' &&
         line.bytes[offset + 1] == ' ';
}

// The title starts two characters after the first colon among the line's first 100 characters:
// the colon and the one character after it (normally a space) are skipped.
std::size_t LabelledLayout::title_start(const TextLine& title_line) noexcept {
  std::size_t offset = 0;
  for (std::size_t chars = 0; chars < TitleField::kChars && offset < title_line.size;) {
    if (title_line.bytes[offset] == ':') {
      const std::size_t after_colon = offset + 1;
      return after_colon < title_line.size ? next_char(title_line, after_colon) : after_colon;
    }
    chars += utf8::wide_width(title_line.bytes[offset]);
    offset = next_char(title_line, offset);
  }
  return TitleField::kNoStart;
}

}  // namespace mirtabel
