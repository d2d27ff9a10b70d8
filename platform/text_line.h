// One line as the reader decoded it: UTF-8 text that lives where it was decoded, in the buffer of
// the record being built.
#ifndef MIRTABEL_PLATFORM_TEXT_LINE_H
#define MIRTABEL_PLATFORM_TEXT_LINE_H

#include <cstddef>
#include <cstring>
#include <string_view>

namespace mirtabel {

struct TextLine {
  // One read returns at most this many characters, the line feed included.
  static constexpr std::size_t kMaxChars = 4999;
  // A character takes at most 4 bytes of UTF-8.
  static constexpr std::size_t kMaxBytes = kMaxChars * 4;

  const unsigned char* bytes = nullptr;
  std::size_t size = 0;   // in bytes
  std::size_t chars = 0;  // the length as read, in characters (wchar_t)

  bool ends_with_line_feed() const noexcept { return size > 0 && bytes[size - 1] == '\n'; }

  // The line's text: the line without its line feed. A line read without one (the end of the
  // input, or a piece of an over-long line) keeps all its characters.
  std::size_t text_size() const noexcept { return size - (ends_with_line_feed() ? 1 : 0); }
  std::size_t text_chars() const noexcept { return chars - (ends_with_line_feed() ? 1 : 0); }

  // Whether the line holds `needle`; every line holds the empty text. Finds each occurrence of
  // the needle's first byte with memchr, which checks many bytes at once, and compares the rest
  // there.
  bool contains(std::string_view needle) const noexcept {
    if (needle.empty()) return true;
    const unsigned char* end = bytes + size;
    for (const unsigned char* at = bytes; static_cast<std::size_t>(end - at) >= needle.size();
         ++at) {
      at = static_cast<const unsigned char*>(std::memchr(at, needle[0], end - at));
      if (at == nullptr || static_cast<std::size_t>(end - at) < needle.size()) return false;
      if (std::memcmp(at, needle.data(), needle.size()) == 0) return true;
    }
    return false;
  }
};

}  // namespace mirtabel

#endif
