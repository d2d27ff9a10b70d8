#include "platform/native_path.h"

#include <cerrno>
#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {

#ifdef _WIN32

NativePath::NativePath(const char* utf8) noexcept : path_(converted_) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8);
  std::size_t left = std::strlen(utf8);
  std::size_t size = 0;
  while (left > 0 && error_ == 0) {
    const std::size_t length = utf8::valid_sequence_length(bytes, left);
    const char32_t c = length == 0 ? 0 : utf8::decode(bytes, length);
    const std::size_t width = utf8::wide_width_of(c);
    if (length == 0) {
      error_ = EILSEQ;
    } else if (size + width >= kMaxNativePath) {
      error_ = ENAMETOOLONG;
    } else if (width == 2) {
      converted_[size++] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      converted_[size++] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      converted_[size++] = static_cast<wchar_t>(c);
    }
    bytes += length;
    left -= length;
  }
  converted_[error_ == 0 ? size : 0] = L'\0';
}

#else

NativePath::NativePath(const wchar_t* wide) noexcept : path_(converted_) {
  std::size_t size = 0;
  for (; *wide != L'\0' && error_ == 0; ++wide) {
    const auto c = static_cast<char32_t>(*wide);
    unsigned char bytes[4];
    std::size_t length = 0;
    if (c >= 0xDC80 && c <= 0xDCFF) {
      bytes[0] = static_cast<unsigned char>(c - 0xDC00);
      length = 1;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      error_ = EILSEQ;
    } else {
      length = utf8::encode(c, bytes);
    }
    if (size + length >= kMaxNativePath) error_ = ENAMETOOLONG;
    for (std::size_t i = 0; i < length && error_ == 0; ++i)
      converted_[size++] = static_cast<char>(bytes[i]);
  }
  converted_[error_ == 0 ? size : 0] = '\0';
}

#endif

}  // namespace mirtabel
