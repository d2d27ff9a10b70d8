#include "platform/encoding_choice.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/utf8.h"

namespace mirtabel {
namespace {

bool is_digit(unsigned char c) noexcept {
  return c >= '0' && c <= '9';
}
bool is_letter(unsigned char c) noexcept {
  return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
bool is_blank(unsigned char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_one_of(unsigned char c, const char* set) noexcept {
  return c != 0 && std::strchr(set, c) != nullptr;
}
bool ends_word(unsigned char c) noexcept {
  return is_blank(c) || is_one_of(c, ".,;:!?)\"'-");
}
bool opens_word(unsigned char c) noexcept {
  return is_blank(c) || c == '(' || c == '[';
}
bool is_box_drawing(unsigned char c) noexcept {
  return c >= 0xB0 && c <= 0xDF;
}

// Where a byte is a letter of code page 437 and not what Windows-1252 puts there. Bytes that
// are letters in both (0x83, 0x8A, 0x8C, 0x8E, 0x9A), the quotes 0x91 and 0x92 (also æ and Æ)
// and the symbols of code page 437 tell nothing this way.
enum class DosLetter {
  kNone,
  kInWord,  // only between letters: after a word these are Windows-1252's „ … † ‡ “ ” • – ™
            // € and no-break space
  kEndsWords,  // after a letter, in a word or at its end (0x82 for the é of sauté)
};

DosLetter dos_letter(unsigned char byte) noexcept {
  if (is_one_of(byte, "\x81\x82\x88\x89\x8B\x8D\x8F\x90\x98\xA1\xA2\xA3\xA4\xA5")) {
    return DosLetter::kEndsWords;
  }
  if (is_one_of(byte, "\x80\x84\x85\x86\x87\x93\x94\x95\x96\x99\xA0")) return DosLetter::kInWord;
  return DosLetter::kNone;
}

// Whether one of Windows-1252's quotes, bullet and dashes (0x91-0x97) stands where such
// punctuation goes: an opening quote before a word, an apostrophe or a closing quote after one,
// a bullet or a dash between blanks, a dash between digits, a long dash between words.
bool is_punctuation_place(unsigned char byte, unsigned char before, unsigned char after) noexcept {
  switch (byte) {
    case 0x91:
    case 0x93:
      return opens_word(before) && (is_letter(after) || is_digit(after));
    case 0x92:
      return is_letter(before) && (is_letter(after) || ends_word(after));
    case 0x94:
      return (is_letter(before) || is_digit(before) || is_one_of(before, ".,!?")) &&
             ends_word(after);
    case 0x95:
      return is_blank(before) && is_blank(after);
    case 0x96:
    case 0x97:
      return (is_blank(before) && is_blank(after)) || (is_digit(before) && is_digit(after)) ||
             (byte == 0x97 && is_letter(before) && is_letter(after));
    default:
      return false;
  }
}

// Whether a letter of Windows-1252 (0xC0-0xFF but × and ÷) ends or continues a word there.
bool is_windows_letter_place(unsigned char byte, unsigned char before,
                             unsigned char after) noexcept {
  return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7 && is_letter(before) &&
         (is_letter(after) || ends_word(after));
}

// Whether a symbol of Windows-1252 stands by a number there: °, ², ³, ¹, º, ª, ¼, ½ or ¾ after a
// digit, a fraction beside a blank, ° before F or C. In code page 437 these are box drawing.
bool is_windows_number_place(unsigned char byte, unsigned char before,
                             unsigned char after) noexcept {
  const bool fraction = byte >= 0xBC && byte <= 0xBE;
  const bool by_digit = fraction || byte == 0xB0 || byte == 0xB2 || byte == 0xB3 || byte == 0xB9 ||
                        byte == 0xBA || byte == 0xAA;
  return (by_digit && is_digit(before)) || (fraction && (is_blank(before) || is_blank(after))) ||
         (byte == 0xB0 && (after == 'F' || after == 'C'));
}

constexpr std::uint64_t kEachByte = 0x0101010101010101;

// Whether none of the 8 bytes at `bytes` is above 0x7F, 0x14 or 0x15: most of a text, skipped in
// one test.
bool holds_no_sign(const unsigned char* bytes) noexcept {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  const std::uint64_t marks = word ^ (kEachByte * 0x14);  // 0x14 and 0x15 become 0 and 1
  const std::uint64_t below_two = (marks - kEachByte * 2) & ~marks;
  return ((below_two | word) & (kEachByte * 0x80)) == 0;
}

// A text built in a fixed buffer, cut short when it does not fit.
class Line {
 public:
  Line(char* text, std::size_t room) noexcept : text_(text), room_(room) { text_[0] = '\0'; }

  __attribute__((format(printf, 2, 3))) void add(const char* format, ...) noexcept {
    if (size_ + 1 >= room_) return;
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(text_ + size_, room_ - size_, format, arguments);
    va_end(arguments);
    if (written > 0) size_ += static_cast<std::size_t>(written);
    if (size_ >= room_) size_ = room_ - 1;
  }
  // Adds "WHAT N times" when N is not 0, after a comma where something came before it.
  void count(std::uint64_t n, const char* what, bool& first) noexcept {
    if (n == 0) return;
    add("%s%s %llu time%s", first ? "" : ", ", what, static_cast<unsigned long long>(n),
        n == 1 ? "" : "s");
    first = false;
  }
  std::size_t size() const noexcept { return size_; }

 private:
  char* text_;
  std::size_t room_;
  std::size_t size_ = 0;
};

void add_cp437_signs(const EncodingSigns& signs, Line& line, bool& first) noexcept {
  const Cp437Signs& dos = signs.cp437;
  line.count(dos.degrees, "0xF8 by a number", first);
  line.count(dos.fractions, "0xAB/0xAC by a number or blank", first);
  line.count(dos.number_symbols, "0xE0-0xFF after a digit", first);
  line.count(dos.box_drawing, "box drawing", first);
  line.count(dos.paragraph_marks, "0x14/0x15 by a line break or blank", first);
  line.count(dos.letters, "cp437 letters in words", first);
}

void add_windows_signs(const EncodingSigns& signs, Line& line, bool& first) noexcept {
  const Windows1252Signs& windows = signs.windows_1252;
  line.count(windows.punctuation, "0x91-0x97 as quotes or dashes", first);
  line.count(windows.number_symbols, "windows-1252 symbols by numbers", first);
  line.count(windows.letters, "windows-1252 letters in words", first);
}

// The signs of the code page chosen, then "against" those of the other, if any.
void add_signs(const EncodingSigns& signs, bool cp437_chosen, Line& line) noexcept {
  using Add = void (*)(const EncodingSigns&, Line&, bool&) noexcept;
  const Add chosen = cp437_chosen ? add_cp437_signs : add_windows_signs;
  const Add other = cp437_chosen ? add_windows_signs : add_cp437_signs;
  bool first = true;
  chosen(signs, line, first);
  const std::uint64_t against = cp437_chosen ? signs.windows_1252.total() : signs.cp437.total();
  if (!first && against > 0) line.add(", against ");
  first = true;
  other(signs, line, first);
}

}  // namespace

void EncodingEvidence::look_at(unsigned char byte, unsigned char second_before,
                               unsigned char before, unsigned char after) noexcept {
  Cp437Signs& dos = signs_.cp437;
  Windows1252Signs& windows = signs_.windows_1252;
  if (byte == 0x14 || byte == 0x15) {
    dos.paragraph_marks += is_blank(before) || is_blank(after);
  } else if (byte == 0xF8 && is_degree_place(second_before, before, after)) {
    ++dos.degrees;
  } else if (byte == 0xAB || byte == 0xAC) {
    dos.fractions += is_digit(before) || is_digit(after) || is_blank(before) || is_blank(after);
  } else if (byte >= 0xE0 && is_digit(before) && !is_letter(after)) {
    ++dos.number_symbols;
  } else if (is_windows_number_place(byte, before, after)) {
    ++windows.number_symbols;
  } else if (is_box_drawing(byte)) {
    // A run counts once, at its first byte.
    dos.box_drawing += is_box_drawing(after) && !is_box_drawing(before) && !is_letter(before);
  } else if (is_punctuation_place(byte, before, after)) {
    ++windows.punctuation;
  } else if (is_windows_letter_place(byte, before, after)) {
    ++windows.letters;
  } else if (is_letter(before)) {
    const DosLetter letter = dos_letter(byte);
    dos.letters += (letter == DosLetter::kInWord && is_letter(after)) ||
                   (letter == DosLetter::kEndsWords && (is_letter(after) || ends_word(after)));
  }
}

std::size_t EncodingEvidence::scan(const unsigned char* bytes, std::size_t size,
                                   bool ends) noexcept {
  const std::size_t decided = ends ? size : size > kLookahead ? size - kLookahead : 0;
  std::size_t i = 0;
  while (i < decided) {
    if (decided - i >= 8 && holds_no_sign(bytes + i)) {
      i += 8;
      continue;
    }
    const unsigned char byte = bytes[i];
    // A UTF-8 character of several bytes is passed whole; the bytes that may be signs are looked
    // at, with a line's end after the input's last byte.
    const std::size_t length = byte >= 0x80 ? utf8::valid_sequence_length(bytes + i, size - i) : 1;
    if (length > 1) {
      i += length;
      continue;
    }
    if (byte >= 0x80 || byte == 0x14 || byte == 0x15) {
      signs_.stray_bytes += byte >= 0x80;
      look_at(byte, before_.at(bytes, i, 2), before_.at(bytes, i, 1),
              i + 1 < size ? bytes[i + 1] : '\n');
    }
    ++i;
  }
  before_.pass(bytes, i);
  return i;
}

EncodingChoice EncodingEvidence::choice() const noexcept {
  EncodingChoice choice;
  choice.ground = EncodingChoice::Ground::kSigns;
  choice.signs = signs_;
  const std::uint64_t degrees = signs_.cp437.degrees;
  const std::uint64_t dos_text = signs_.cp437.total() - degrees;
  const std::uint64_t windows = signs_.windows_1252.total();
  const bool dos = dos_text > 0 ? dos_text >= 3 * windows : degrees > 0 && windows == 0;
  if (signs_.stray_bytes == 0) {
    choice.encoding = InputEncoding::kUtf8;  // nothing to choose for
  } else if (dos) {
    choice.encoding = InputEncoding::kUtf8Cp437;
  } else if (degrees > 0) {
    choice.encoding = InputEncoding::kUtf8DosDegrees;
  } else {
    choice.encoding = InputEncoding::kUtf8;
  }
  return choice;
}

EncodingChoice choose_encoding(RandomAccessFile& file, unsigned char* buffer, std::size_t capacity,
                               int& error) noexcept {
  EncodingEvidence evidence;
  std::uint64_t offset = 0;
  std::size_t kept = 0;  // bytes at the buffer's start left for the next scan
  error = 0;
  for (;;) {
    const ReadResult read = file.read_at(offset, buffer + kept, capacity - kept);
    if (read.error != 0) error = read.error;
    const bool ends = read.size == 0;
    const std::size_t size = kept + read.size;
    const std::size_t scanned = evidence.scan(buffer, size, ends);
    if (ends) break;
    offset += read.size;
    kept = size - scanned;
    std::memmove(buffer, buffer + scanned, kept);
  }
  return evidence.choice();
}

const char* chosen_encoding_name(const EncodingChoice& choice) noexcept {
  if (choice.ground == EncodingChoice::Ground::kByteOrderMark) {
    switch (choice.mark) {
      case MarkedEncoding::kUtf16LE:
        return "utf-16le";
      case MarkedEncoding::kUtf16BE:
        return "utf-16be";
      case MarkedEncoding::kUtf8:
      case MarkedEncoding::kNone:
        return "utf-8";
    }
  }
  return input_encoding_name(choice.encoding);
}

std::size_t describe_choice(const EncodingChoice& choice, char* text, std::size_t room) noexcept {
  constexpr const char* kAllUtf8 = "utf-8: every byte is valid UTF-8";
  Line line(text, room);
  const EncodingSigns& signs = choice.signs;
  switch (choice.ground) {
    case EncodingChoice::Ground::kNamed:
      line.add("%s, as named", input_encoding_name(choice.encoding));
      return line.size();
    case EncodingChoice::Ground::kByteOrderMark:
      line.add("%s, as its byte-order mark says", chosen_encoding_name(choice));
      return line.size();
    case EncodingChoice::Ground::kNoStrayByte:
      line.add("%s", kAllUtf8);
      return line.size();
    case EncodingChoice::Ground::kSigns:
      break;
  }
  if (choice.encoding == InputEncoding::kUtf8Cp437) {
    line.add("cp437: ");
    add_signs(signs, true, line);
  } else if (choice.encoding == InputEncoding::kUtf8DosDegrees) {
    line.add("windows-1252, and 0xF8 as cp437's degree sign: ");
    add_signs(signs, false, line);
  } else if (signs.stray_bytes == 0) {
    line.add("%s", kAllUtf8);
  } else {
    line.add("windows-1252: ");
    if (signs.cp437.total() + signs.windows_1252.total() == 0) line.add("no sign of cp437");
    add_signs(signs, false, line);
  }
  return line.size();
}

}  // namespace mirtabel
