#include "host/argument_path.h"

#include <cstring>

#include "platform/utf8.h"

std::wstring argument_to_path(const char* argument) {
  const auto* s = reinterpret_cast<const unsigned char*>(argument);
  std::size_t n = std::strlen(argument);
  std::wstring path;
  while (n > 0) {
    const std::size_t length = mirtabel::utf8::valid_sequence_length(s, n);
    if (length == 0) {
      path.push_back(static_cast<wchar_t>(0xDC00 + s[0]));
      ++s;
      --n;
      continue;
    }
    char32_t c = length == 1 ? s[0] : s[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (s[i] & 0x3F);
    path.push_back(static_cast<wchar_t>(c));
    s += length;
    n -= length;
  }
  return path;
}
