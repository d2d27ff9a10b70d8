#include "convert/title_field.h"

#include <algorithm>
#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {

void TitleField::build(const TextLine& title_line, std::size_t start) noexcept {
  const std::size_t text_end = title_line.text_size();
  std::size_t chars = 0;
  size_ = 0;
  if (start == kNoStart || start >= text_end) start = text_end;
  // Titles are mostly plain ASCII, a byte per character: that part is copied at once.
  const std::size_t most_ascii = std::min(text_end - start, kChars);
  while (size_ < most_ascii && title_line.bytes[start + size_] < 0x80)
    ++size_;
  std::memcpy(bytes_, title_line.bytes + start, size_);
  chars = size_;
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
