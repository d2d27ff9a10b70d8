// The title field that starts every recipe record: exactly 100 characters, the title cut to
// that length or padded with spaces.
#ifndef MIRTABEL_CONVERT_TITLE_FIELD_H
#define MIRTABEL_CONVERT_TITLE_FIELD_H

#include <cstddef>

#include "platform/text_line.h"

namespace mirtabel {

struct TitleField {
  static constexpr std::size_t kChars = 100;
  // The most bytes a field takes: 100 characters of 4 bytes.
  static constexpr std::size_t kMaxBytes = kChars * 4;
  // Where a layout's title rule finds no title.
  static constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

  // Builds the field at `field` from the title text of `title_line`: the line's text from byte
  // offset `start` on. A start of kNoStart, or one at or past the end of the text, gives 100
  // spaces. The title line may lie at or behind `field` in the same buffer; it is overwritten.
  // Returns the field's size in bytes.
  static std::size_t build(unsigned char* field, const TextLine& title_line,
                           std::size_t start) noexcept;
};

}  // namespace mirtabel

#endif
