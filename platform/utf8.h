// UTF-8 helpers shared by the reader, the scanner and the path conversion.
#ifndef MIRTABEL_PLATFORM_UTF8_H
#define MIRTABEL_PLATFORM_UTF8_H

#include <cstddef>

namespace mirtabel::utf8 {

// A character counts as one wchar_t. Where wchar_t has 16 bits, a character beyond the Basic
// Multilingual Plane is a surrogate pair and counts as two in every length rule.
inline constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

// Length of the sequence that starts with `lead`, in valid UTF-8 text.
constexpr std::size_t sequence_length(unsigned char lead) noexcept {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// How many wchar_t the character that starts with `lead` takes, in valid UTF-8 text.
constexpr std::size_t wide_width(unsigned char lead) noexcept {
  return (kWideIsUtf16 && lead >= 0xF0) ? 2 : 1;
}

constexpr std::size_t wide_width_of(char32_t code_point) noexcept {
  return (kWideIsUtf16 && code_point > 0xFFFF) ? 2 : 1;
}

// Writes the UTF-8 form of a Unicode scalar value to `out` (room for 4 bytes); returns its length.
inline std::size_t encode(char32_t c, unsigned char* out) noexcept {
  if (c < 0x80) {
    out[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

// Length of the valid, shortest-form UTF-8 sequence at the start of `bytes` (`size` > 0 bytes
// available), or 0 when the first byte does not begin one: overlong forms, surrogates, values
// above U+10FFFF and sequences cut short are all invalid.
inline std::size_t valid_sequence_length(const unsigned char* bytes, std::size_t size) noexcept {
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (size < length || bytes[1] < low || bytes[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The code point of a valid sequence of `length` bytes, as valid_sequence_length measured it.
inline char32_t decode(const unsigned char* bytes, std::size_t length) noexcept {
  char32_t c = length == 1 ? bytes[0] : bytes[0] & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i)
    c = (c << 6) | (bytes[i] & 0x3F);
  return c;
}

}  // namespace mirtabel::utf8

#endif
