// The title field that starts every recipe record: exactly 100 characters, the title cut to
// that length or padded with spaces.
#ifndef MIRTABEL_CONVERT_TITLE_FIELD_H
#define MIRTABEL_CONVERT_TITLE_FIELD_H

#include <cstddef>

#include "platform/text_line.h"

namespace mirtabel {

class TitleField {
 public:
  static constexpr std::size_t kChars = 100;
  // Where a layout's title rule finds no title.
  static constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

  // Builds the field from the title text of `title_line`: the line's text from byte offset
  // `start` on. A start of kNoStart, or one at or past the end of the text, gives 100 spaces.
  void build(const TextLine& title_line, std::size_t start) noexcept;

  const unsigned char* data() const noexcept { return bytes_; }
  std::size_t size() const noexcept { return size_; }

 private:
  unsigned char bytes_[kChars * 4];
  std::size_t size_ = 0;
};

}  // namespace mirtabel

#endif
