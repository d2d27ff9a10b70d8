// How the bytes of an input without a byte-order mark become characters.
#ifndef MIRTABEL_PLATFORM_INPUT_ENCODING_H
#define MIRTABEL_PLATFORM_INPUT_ENCODING_H

#include <string_view>

namespace mirtabel {

enum class InputEncoding {
  kUtf8,         // UTF-8; a byte that does not begin a valid sequence is read as Windows-1252
  kWindows1252,  // every byte one character of its code page, from here on
  kLatin1,
  kCp437,
  kCp850,
  kMacRoman,
};

// The characters of bytes 0x80 to 0xFF: those of the code page, or for UTF-8 those of the
// Windows-1252 fallback. Bytes below 0x80 are ASCII in every one of these encodings.
const char16_t* high_half(InputEncoding encoding) noexcept;

// The encoding a name stands for ("utf-8", "windows-1252", "latin-1", "cp437", "cp850",
// "mac-roman", a few common aliases, in any case). False for a name it does not know.
bool input_encoding_from_name(std::string_view name, InputEncoding& encoding) noexcept;

// The usual name of the encoding, as input_encoding_from_name takes it.
const char* input_encoding_name(InputEncoding encoding) noexcept;

}  // namespace mirtabel

#endif
