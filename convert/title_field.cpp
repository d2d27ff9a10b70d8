#include "convert/title_field.h"

#include <cstdint>
#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {
namespace {

// Bytes of the title's first characters that fit in the field. Titles are mostly plain ASCII, a
// byte per character; where wchar_t has 16 bits, a character beyond U+FFFF takes two places and
// is never cut in half.
std::size_t fitting_bytes(const unsigned char* title, std::size_t size,
                          std::size_t& chars) noexcept {
  // The plain ASCII start is passed eight bytes at a time.
  const std::size_t ascii_limit = size < TitleField::kChars ? size : TitleField::kChars;
  std::size_t at = 0;
  for (std::uint64_t word; at + 8 <= ascii_limit; at += 8) {
    std::memcpy(&word, title + at, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (at < ascii_limit && title[at] < 0x80)
    ++at;
  chars = at;
  while (at < size) {
    const std::size_t width = utf8::wide_width(title[at]);
    if (chars + width > TitleField::kChars) break;
    at += utf8::sequence_length(title[at]);
    chars += width;
  }
  return at;
}

}  // namespace

std::size_t TitleField::build(unsigned char* field, const TextLine& title_line,
                              std::size_t start) noexcept {
  const std::size_t text_end = title_line.text_size();
  if (start == kNoStart || start > text_end) start = text_end;
  std::size_t chars;
  const std::size_t size = fitting_bytes(title_line.bytes + start, text_end - start, chars);
  std::memmove(field, title_line.bytes + start, size);
  std::memset(field + size, ' ', kChars - chars);
  return size + kChars - chars;
}

}  // namespace mirtabel
