#include "tests/reference/reference_text.h"

namespace mirtabel::reference {
namespace {

enum class Encoding { kUtf8, kUtf16LE, kUtf16BE };

constexpr char32_t kCarriageReturn = 0x0D;
constexpr char32_t kLineFeed = 0x0A;
constexpr char32_t kCtrlZ = 0x1A;
constexpr char32_t kReplacementCharacter = 0xFFFD;

unsigned char byte_at(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

bool starts_with(const std::string& bytes, const std::string& mark) {
  return bytes.compare(0, mark.size(), mark) == 0;
}

// A byte-order mark at the start selects the encoding and is not text; without one the input is
// UTF-8. Sets `text_start` past the mark.
Encoding read_byte_order_mark(const std::string& bytes, std::size_t& text_start,
                              RuleCoverage& coverage) {
  if (starts_with(bytes, "\xEF\xBB\xBF")) {
    coverage.note(Rule::kUtf8Mark);
    text_start = 3;
    return Encoding::kUtf8;
  }
  if (starts_with(bytes, "\xFF\xFE")) {
    coverage.note(Rule::kUtf16LEMark);
    text_start = 2;
    return Encoding::kUtf16LE;
  }
  if (starts_with(bytes, "\xFE\xFF")) {
    coverage.note(Rule::kUtf16BEMark);
    text_start = 2;
    return Encoding::kUtf16BE;
  }
  coverage.note(Rule::kUtf8WithoutMark);
  text_start = 0;
  return Encoding::kUtf8;
}

// The well-formed UTF-8 byte sequences: a lead byte in [lead_low, lead_high], a second byte in
// [second_low, second_high], and the other bytes, if any, in [80, BF]. Anything else is not UTF-8:
// overlong forms, surrogates, values above U+10FFFF and sequences cut short.
struct Utf8Form {
  unsigned char lead_low, lead_high, second_low, second_high;
  std::size_t length;
};
constexpr Utf8Form kUtf8Forms[] = {
    {0x00, 0x7F, 0x00, 0x00, 1},  //
    {0xC2, 0xDF, 0x80, 0xBF, 2},  //
    {0xE0, 0xE0, 0xA0, 0xBF, 3},  //
    {0xE1, 0xEC, 0x80, 0xBF, 3},  //
    {0xED, 0xED, 0x80, 0x9F, 3},  //
    {0xEE, 0xEF, 0x80, 0xBF, 3},  //
    {0xF0, 0xF0, 0x90, 0xBF, 4},  //
    {0xF1, 0xF3, 0x80, 0xBF, 4},  //
    {0xF4, 0xF4, 0x80, 0x8F, 4},  //
};

// Length of the well-formed UTF-8 sequence that starts at `at`, or 0 when there is none.
std::size_t utf8_sequence_length(const std::string& bytes, std::size_t at) {
  const unsigned char lead = byte_at(bytes, at);
  for (const Utf8Form& form : kUtf8Forms) {
    if (lead < form.lead_low || lead > form.lead_high) continue;
    if (form.length == 1) return 1;
    if (bytes.size() - at < form.length) return 0;
    const unsigned char second = byte_at(bytes, at + 1);
    if (second < form.second_low || second > form.second_high) return 0;
    for (std::size_t i = 2; i < form.length; ++i) {
      const unsigned char next = byte_at(bytes, at + i);
      if (next < 0x80 || next > 0xBF) return 0;
    }
    return form.length;
  }
  return 0;
}

// The code point of a well-formed sequence: the lead byte's low bits, then six bits from each
// following byte.
char32_t utf8_code_point(const std::string& bytes, std::size_t at, std::size_t length) {
  const unsigned char lead_bits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = byte_at(bytes, at) & lead_bits[length];
  for (std::size_t i = 1; i < length; ++i)
    c = (c << 6) | (byte_at(bytes, at + i) & 0x3F);
  return c;
}

// Windows-1252 is Latin-1, every byte the code point of its value, except for the bytes 0x80 to
// 0x9F. Its five unassigned ones there (81, 8D, 8F, 90, 9D) keep their C1 control character.
constexpr char32_t kWindows1252From80To9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  //
};

char32_t windows_1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kWindows1252From80To9F[byte - 0x80];
  return byte;
}

// UTF-8 input: each well-formed sequence is one character; every other byte is one character of
// Windows-1252 on its own.
std::u32string decode_utf8(const std::string& bytes, std::size_t from, RuleCoverage& coverage) {
  std::u32string characters;
  std::size_t at = from;
  while (at < bytes.size()) {
    const std::size_t length = utf8_sequence_length(bytes, at);
    if (length == 0) {
      coverage.note(Rule::kByteReadAsWindows1252);
      characters += windows_1252(byte_at(bytes, at));
      at += 1;
      continue;
    }
    if (length == 3 && byte_at(bytes, at) == 0xE0)
      coverage.note(Rule::kThreeByteSequenceWithLeadE0);
    if (length == 4) coverage.note(Rule::kFourByteSequence);
    characters += utf8_code_point(bytes, at, length);
    at += length;
  }
  return characters;
}

// UTF-16 input: two bytes make a code unit, in the mark's byte order; an odd final byte is
// dropped. A high surrogate followed by a low one is one character; any other surrogate is
// U+FFFD.
std::u32string decode_utf16(const std::string& bytes, std::size_t from, Encoding encoding,
                            RuleCoverage& coverage) {
  std::u32string units;
  for (std::size_t at = from; at + 1 < bytes.size(); at += 2) {
    const unsigned char first = byte_at(bytes, at), second = byte_at(bytes, at + 1);
    units += encoding == Encoding::kUtf16LE ? char32_t(first | second << 8)
                                            : char32_t(first << 8 | second);
  }
  if ((bytes.size() - from) % 2 != 0) coverage.note(Rule::kOddFinalByteDropped);

  const auto is_high = [](char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
  const auto is_low = [](char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
  std::u32string characters;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (is_high(units[i]) && i + 1 < units.size() && is_low(units[i + 1])) {
      coverage.note(Rule::kSurrogatePair);
      characters += 0x10000 + ((units[i] - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (is_high(units[i]) || is_low(units[i])) {
      coverage.note(Rule::kUnpairedSurrogate);
      characters += kReplacementCharacter;
    } else {
      characters += units[i];
    }
  }
  return characters;
}

// A Ctrl-Z that is the input's very last character is an end-of-file mark, not text.
void drop_end_of_file_mark(std::u32string& characters, RuleCoverage& coverage) {
  if (!characters.empty() && characters.back() == kCtrlZ) {
    coverage.note(Rule::kEndOfFileMark);
    characters.pop_back();
  }
}

// CR LF and a lone CR are each read as one line feed.
std::u32string read_line_ends(const std::u32string& characters, RuleCoverage& coverage) {
  std::u32string text;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (characters[i] != kCarriageReturn) {
      text += characters[i];
    } else if (i + 1 < characters.size() && characters[i + 1] == kLineFeed) {
      coverage.note(Rule::kCrLf);
      text += kLineFeed;
      ++i;
    } else {
      coverage.note(Rule::kLoneCr);
      text += kLineFeed;
    }
  }
  return text;
}

// Characters as wchar_t: where it has 16 bits, one beyond U+FFFF becomes a surrogate pair.
std::wstring to_wide(const std::u32string& text) {
  std::wstring wide;
  for (const char32_t c : text) {
    if (kWideIsUtf16 && c > 0xFFFF) {
      wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
  }
  return wide;
}

// A line ends after its line feed, or once it holds kLineLimit characters; the rest of a longer
// line comes as the next line. A surrogate pair is never cut: a line that would end inside one
// ends before it. The input's last characters are a line even without a line feed.
std::vector<std::wstring> cut_into_lines(const std::wstring& text, RuleCoverage& coverage) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t width = is_high_surrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
    if (line.size() + width > kLineLimit) {
      coverage.note(line.size() == kLineLimit ? Rule::kLineCutAtLimit : Rule::kLineCutBeforePair);
      lines.push_back(line);
      line.clear();
    }
    line.append(text, i, width);
    i += width;
    if (line.back() == L'\n') {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) {
    coverage.note(Rule::kLastLineWithoutLineFeed);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

void append_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::vector<std::wstring> read_lines(const std::string& bytes, RuleCoverage& coverage) {
  std::size_t text_start = 0;
  const Encoding encoding = read_byte_order_mark(bytes, text_start, coverage);
  std::u32string characters = encoding == Encoding::kUtf8
                                  ? decode_utf8(bytes, text_start, coverage)
                                  : decode_utf16(bytes, text_start, encoding, coverage);
  drop_end_of_file_mark(characters, coverage);
  return cut_into_lines(to_wide(read_line_ends(characters, coverage)), coverage);
}

std::string encode_utf8(const std::wstring& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (is_high_surrogate(text[i]) && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    }
    append_utf8(c, out);
  }
  return out;
}

}  // namespace mirtabel::reference
