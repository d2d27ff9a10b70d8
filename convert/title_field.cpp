#include "convert/title_field.h"

#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {

void TitleField::build(const TextLine& title_line, std::size_t start) noexcept {
  const std::size_t text_end = title_line.text_size();
  std::size_t chars = 0;
  size_ = 0;
  for (std::size_t at = start; start != kNoStart && at < text_end;) {
    const unsigned char lead = title_line.bytes[at];
    const std::size_t width = utf8::wide_width(lead);
    if (chars + width > kChars) break;
    const std::size_t length = utf8::sequence_length(lead);
    std::memcpy(bytes_ + size_, title_line.bytes + at, length);
    size_ += length;
    at += length;
    chars += width;
  }
  std::memset(bytes_ + size_, ' ', kChars - chars);
  size_ += kChars - chars;
}

}  // namespace mirtabel
