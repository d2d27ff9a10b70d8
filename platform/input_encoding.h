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
  // Chosen, never named (platform/encoding_choice.h): as kUtf8, but a byte that begins no UTF-8
  // character is read as code page 437, or as Windows-1252 but for a 0xF8 in a degree sign's
  // place, which is code page 437's degree sign (Windows-1252 text with DOS temperatures).
  kUtf8Cp437,
  kUtf8DosDegrees,
  // Not named: read as kUtf8 until the first byte that begins no UTF-8 character, where the
  // reader chooses one of kUtf8, kUtf8Cp437 and kUtf8DosDegrees from the input's bytes.
  kChoose,
};

// Whether every byte without a byte-order mark is one character of a code page, rather than
// UTF-8 with a code page for the bytes that begin no UTF-8 character.
constexpr bool is_single_byte(InputEncoding encoding) noexcept {
  return encoding != InputEncoding::kUtf8 && encoding != InputEncoding::kUtf8Cp437 &&
         encoding != InputEncoding::kUtf8DosDegrees && encoding != InputEncoding::kChoose;
}

// The characters of bytes 0x80 to 0xFF: those of the code page, or for UTF-8 those of the
// Windows-1252 fallback. Bytes below 0x80 are ASCII in every one of these encodings.
const char16_t* high_half(InputEncoding encoding) noexcept;

// The encoding a name stands for ("utf-8", "windows-1252", "latin-1", "cp437", "cp850",
// "mac-roman", a few common aliases, in any case). False for a name it does not know.
bool input_encoding_from_name(std::string_view name, InputEncoding& encoding) noexcept;

// The usual name of the encoding, as input_encoding_from_name takes it; for those that are not
// named but chosen, "utf-8+cp437", "utf-8+cp437-degrees" and "auto", which it does not take.
const char* input_encoding_name(InputEncoding encoding) noexcept;

}  // namespace mirtabel

#endif
