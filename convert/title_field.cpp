#include "convert/title_field.h"

#include <algorithm>
#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {

void TitleField::build(const TextLine& title_line, std::size_t start) noexcept {
  const std::size_t text_end = title_line.text_size();
  if (start == kNoStart || start > text_end) start = text_end;
  // Titles are mostly plain ASCII, a byte per character: that part is copied at once.
  const std::size_t ascii_limit = std::min(text_end - start, kChars);
  std::size_t ascii = 0;
  while (ascii < ascii_limit && title_line.bytes[start + ascii] < 0x80)
    ++ascii;
  std::memcpy(bytes_, title_line.bytes + start, ascii);
  size_ = ascii;
  std::size_t chars = ascii;
  for (std::size_t at = start + size_; at < text_end;) {
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
