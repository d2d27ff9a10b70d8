#include "platform/native_path.h"

#include <cerrno>
#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {

int from_utf8_path(const char* utf8, wchar_t* out, std::size_t capacity) noexcept {
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8);
  std::size_t left = std::strlen(utf8);
  std::size_t size = 0;
  while (left > 0) {
    const std::size_t length = utf8::valid_sequence_length(bytes, left);
    char32_t c;
    if (length == 0) {
      if (utf8::kWideIsUtf16) return EILSEQ;
      c = 0xDC00 + *bytes;
    } else {
      c = utf8::decode(bytes, length);
    }
    const std::size_t width = utf8::wide_width_of(c);
    if (size + width >= capacity) return ENAMETOOLONG;
    if (width == 2) {
      out[size++] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out[size++] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out[size++] = static_cast<wchar_t>(c);
    }
    const std::size_t taken = length == 0 ? 1 : length;
    bytes += taken;
    left -= taken;
  }
  out[size] = L'\0';
  return 0;
}

}  // namespace mirtabel
