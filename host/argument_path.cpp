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
    path.push_back(static_cast<wchar_t>(mirtabel::utf8::decode(s, length)));
    s += length;
    n -= length;
  }
  return path;
}
