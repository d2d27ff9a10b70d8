// How an input whose encoding nobody named is read: as UTF-8, with the bytes that begin no UTF-8
// character read as Windows-1252 or as code page 437, the DOS code page in which many old
// archives were written, chosen from how such bytes sit in the text. A byte is a sign of one code
// page where it is what the text needs there in that code page and odd in the other: 0xF8 after
// "350" is a degree sign in code page 437 and an "ø" in Windows-1252. Code page 437 is chosen
// only on clear signs, since Windows-1252 is what the conversion reads without a choice.
#ifndef MIRTABEL_PLATFORM_ENCODING_CHOICE_H
#define MIRTABEL_PLATFORM_ENCODING_CHOICE_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_order_mark.h"
#include "platform/input_encoding.h"

namespace mirtabel {

class RandomAccessFile;

// Whether a lone 0xF8 between these bytes is a degree sign: after a digit ("350°"), before F or
// C ("°F"), or after a digit and F or C ("350F°", as some typed it).
constexpr bool is_degree_place(unsigned char second_before, unsigned char before,
                               unsigned char after) noexcept {
  const auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  const auto scale = [](unsigned char c) { return c == 'F' || c == 'C'; };
  return digit(before) || scale(after) || (scale(before) && digit(second_before));
}

// The two bytes before a piece of the input, kept from the pieces before it, so that a degree
// sign's place is judged alike wherever the input was split for reading.
class BytesBefore {
 public:
  // The byte `back` (1 or 2) places before piece[i].
  unsigned char at(const unsigned char* piece, std::size_t i, std::size_t back) const noexcept {
    return i >= back ? piece[i - back] : kept_[2 + i - back];
  }
  // Moves past the first `count` bytes of the piece.
  void pass(const unsigned char* piece, std::size_t count) noexcept {
    if (count >= 2) {
      kept_[0] = piece[count - 2];
      kept_[1] = piece[count - 1];
    } else if (count == 1) {
      kept_[0] = kept_[1];
      kept_[1] = piece[0];
    }
  }

 private:
  unsigned char kept_[2] = {'\n', '\n'};  // the input starts as a line does
};

// The signs of code page 437 in the text, each counted once.
struct Cp437Signs {
  std::uint64_t degrees = 0;         // 0xF8 in a degree sign's place
  std::uint64_t fractions = 0;       // 0xAB (½) or 0xAC (¼) beside a digit or a blank
  std::uint64_t number_symbols = 0;  // another of 0xE0-0xFF (ß for beta, µ, ±, ²) after a digit
  std::uint64_t box_drawing = 0;     // runs of box-drawing bytes (0xB0-0xDF) outside words
  std::uint64_t paragraph_marks = 0;  // 0x14 (¶) or 0x15 (§) beside a line break or a blank
  std::uint64_t letters = 0;          // its letters where Windows-1252 has none

  std::uint64_t total() const noexcept {
    return degrees + fractions + number_symbols + box_drawing + paragraph_marks + letters;
  }
};

// Those of Windows-1252.
struct Windows1252Signs {
  std::uint64_t punctuation = 0;     // quotes, bullets and dashes (0x91-0x97) where they belong
  std::uint64_t number_symbols = 0;  // °, ½, ² and the like after a digit, ½ beside a blank
  std::uint64_t letters = 0;         // its accented letters (0xC0-0xFF) in words

  std::uint64_t total() const noexcept { return punctuation + number_symbols + letters; }
};

struct EncodingSigns {
  Cp437Signs cp437;
  Windows1252Signs windows_1252;
  std::uint64_t stray_bytes = 0;  // bytes above 0x7F that begin no valid UTF-8 character
};

struct EncodingChoice {
  enum class Ground {
    kNamed,          // `encoding` was named
    kByteOrderMark,  // the input's byte-order mark decided, whatever was named
    kSigns,          // chosen from `signs`
    kNoStrayByte,    // to be chosen, but every byte was UTF-8: read as kUtf8
  };
  // When chosen: kUtf8 (its stray bytes Windows-1252, as the conversion reads input without a
  // choice), kUtf8Cp437 or kUtf8DosDegrees.
  InputEncoding encoding = InputEncoding::kUtf8;
  Ground ground = Ground::kNamed;
  MarkedEncoding mark = MarkedEncoding::kNone;  // for kByteOrderMark: what the mark says
  EncodingSigns signs;
};

// Gathers the signs of input bytes as they arrive, in any pieces, and chooses.
class EncodingEvidence {
 public:
  // `before`: the two bytes before the first that scan() is given.
  explicit EncodingEvidence(const BytesBefore& before = {}) noexcept : before_(before) {}

  // Looks at the next `size` bytes of the input. Unless `ends` (no byte follows them), the last
  // bytes whose meaning depends on bytes not given yet are left: returns how many were looked at,
  // and the caller passes the rest again, in front of the bytes that follow.
  std::size_t scan(const unsigned char* bytes, std::size_t size, bool ends) noexcept;

  // For the stray bytes: code page 437 where the signs of its text, its degree signs aside, are
  // three times those of Windows-1252 or more, at least one, or where degree signs are its only
  // signs and Windows-1252 has none. Else Windows-1252, with code page 437's degree signs where
  // there are any: some archives were typed on Windows and their temperatures pasted from DOS.
  EncodingChoice choice() const noexcept;

 private:
  // A UTF-8 character takes up to 3 bytes after its first, a sign looks at 1.
  static constexpr std::size_t kLookahead = 3;

  void look_at(unsigned char byte, unsigned char second_before, unsigned char before,
               unsigned char after) noexcept;

  EncodingSigns signs_;
  BytesBefore before_;
};

// Chooses from the whole of a file that can be read at any offset, read from its start through
// `buffer` (`capacity` bytes, at least 8). `error` is 0, or the errno value of a failed read,
// with the choice made from the bytes before it.
EncodingChoice choose_encoding(RandomAccessFile& file, unsigned char* buffer, std::size_t capacity,
                               int& error) noexcept;

// How the input was read, in one word: the encoding its byte-order mark names ("utf-16le"), or
// input_encoding_name() of the encoding named or chosen.
const char* chosen_encoding_name(const EncodingChoice& choice) noexcept;

// One line for a notice: how the input is read and why, as "cp437: 0xF8 after a number or before
// F or C 61 times, ...". Written to `text` (`room` bytes, at least 1), cut short when longer;
// returns its length.
std::size_t describe_choice(const EncodingChoice& choice, char* text, std::size_t room) noexcept;

}  // namespace mirtabel

#endif
