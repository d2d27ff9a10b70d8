#include "host/argument_path.h"

#include <cstring>

namespace {

// Length of the valid, shortest-form UTF-8 sequence at `s` (n bytes left), or 0.
std::size_t sequence_length(const unsigned char* s, std::size_t n) {
  const unsigned char lead = s[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (n < length || s[1] < low || s[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::wstring argument_to_path(const char* argument) {
  const auto* s = reinterpret_cast<const unsigned char*>(argument);
  std::size_t n = std::strlen(argument);
  std::wstring path;
  while (n > 0) {
    const std::size_t length = sequence_length(s, n);
    if (length == 0) {
      path.push_back(static_cast<wchar_t>(0xDC00 + s[0]));
      ++s;
      --n;
      continue;
    }
    char32_t c = length == 1 ? s[0] : s[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
      c = (c << 6) | (s[i] & 0x3F);
    path.push_back(static_cast<wchar_t>(c));
    s += length;
    n -= length;
  }
  return path;
}
