#include <cerrno>

#include "platform/native_path.h"
#include "platform/utf8.h"

namespace mirtabel {

int to_native_path(const wchar_t* path, char (&out)[kMaxNativePath]) noexcept {
  std::size_t size = 0;
  for (; *path != L'\0'; ++path) {
    const auto c = static_cast<char32_t>(*path);
    unsigned char bytes[4];
    std::size_t length;
    if (c >= 0xDC80 && c <= 0xDCFF) {
      bytes[0] = static_cast<unsigned char>(c - 0xDC00);
      length = 1;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      return EILSEQ;
    } else {
      length = utf8::encode(c, bytes);
    }
    if (size + length >= kMaxNativePath) return ENAMETOOLONG;
    for (std::size_t i = 0; i < length; ++i)
      out[size++] = static_cast<char>(bytes[i]);
  }
  out[size] = '\0';
  return 0;
}

}  // namespace mirtabel
