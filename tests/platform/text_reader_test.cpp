// The text reader: byte-order marks, UTF-8 with Windows-1252 fallback, UTF-16, line ends, the
// end-of-file mark, the line limit and read failures. Every case is read with the input
// delivered in pieces of several sizes and with its text placed across the reader's buffer
// boundary, so that no decision depends on where a read happens to end.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/simd_path.h"
#include "platform/text_reader.h"
#include "platform/utf8.h"
#include "tests/support/memory_streams.h"

namespace mirtabel {
namespace {

using testing::MemorySource;
using Lines = std::vector<std::string>;

constexpr std::size_t kWhole = static_cast<std::size_t>(-1);
constexpr std::size_t kPieceSizes[] = {1, 2, 3, 4, 5, 7, 64, kWhole};

// Characters in a piece of valid UTF-8, counted in wchar_t as the reader counts them.
std::size_t count_chars(const std::string& utf8) {
  std::size_t chars = 0;
  for (unsigned char byte : utf8) {
    if ((byte & 0xC0) != 0x80) chars += utf8::wide_width(byte);  // a surrogate pair counts two
  }
  return chars;
}

// `character` `n` times over.
std::string run(std::size_t n, const std::string& character) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i)
    text += character;
  return text;
}

struct ReadOutcome {
  Lines lines;
  int error;
};

// Room for one line, as the scanner gives the reader in its output buffer.
struct LineStore {
  unsigned char bytes[TextLine::kMaxBytes];
};

// Reads every line; checks on the way that each line's character count matches its text.
ReadOutcome read_all(MemorySource& source, InputEncoding without_mark = InputEncoding::kUtf8,
                     SimdPath path = chosen_simd_path(), std::size_t buffer_limit = 0) {
  TextReader reader(source, without_mark, stop_marker(path), buffer_limit);
  auto store = std::make_unique<LineStore>();
  TextLine line;
  ReadOutcome outcome{{}, 0};
  while (reader.read_line(store->bytes, line)) {
    std::string text(reinterpret_cast<const char*>(line.bytes), line.size);
    EXPECT_EQ(line.chars, count_chars(text)) << "line " << outcome.lines.size();
    EXPECT_LE(line.chars, TextLine::kMaxChars);
    outcome.lines.push_back(std::move(text));
  }
  EXPECT_EQ(line.size, 0u);
  outcome.error = reader.error();
  // The end, or the failure, stays put.
  EXPECT_FALSE(reader.read_line(store->bytes, line));
  EXPECT_EQ(reader.error(), outcome.error);
  return outcome;
}

ReadOutcome read_all(const std::string& input, std::size_t max_piece,
                     InputEncoding without_mark = InputEncoding::kUtf8) {
  MemorySource source(input, max_piece);
  return read_all(source, without_mark);
}

std::string utf16(const std::u16string& units, bool little_endian) {
  std::string bytes;
  for (char16_t unit : units) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += little_endian ? low : high;
    bytes += little_endian ? high : low;
  }
  return bytes;
}
std::string le(const std::u16string& units) {
  return "\xFF\xFE" + utf16(units, true);
}
std::string be(const std::u16string& units) {
  return "\xFE\xFF" + utf16(units, false);
}

struct ReaderCase {
  const char* name;
  std::string input;
  Lines lines;
  InputEncoding encoding = InputEncoding::kUtf8;
};

using namespace std::string_literals;

const ReaderCase kCases[] = {
    // Byte-order marks select the encoding and are not text; elsewhere they are characters.
    {"empty", "", {}},
    {"utf8_bom",
     "\xEF\xBB\xBF"
     "a\n",
     {"a\n"}},
    {"utf8_bom_only", "\xEF\xBB\xBF", {}},
    {"utf8_bom_twice",
     "\xEF\xBB\xBF\xEF\xBB\xBF"
     "a",
     {u8"\uFEFFa"}},
    {"utf8_bom_later", "a\xEF\xBB\xBF\n", {u8"a\uFEFF\n"}},
    {"utf8_bom_cut_short",
     "\xEF\xBB"
     "a",
     {u8"\u00EF\u00BBa"}},
    {"utf16le_bom", le(u"a\n"), {"a\n"}},
    {"utf16be_bom", be(u"a\n"), {"a\n"}},
    {"utf16le_bom_only", "\xFF\xFE", {}},
    {"utf16_bom_later_in_utf8", "a\xFF\xFE", {u8"a\u00FF\u00FE"}},
    {"utf16le_bom_later", le(u"a\uFEFF"), {u8"a\uFEFF"}},

    // UTF-8: valid sequences at the edges of each length.
    {"utf8_two_byte", "\xC2\x80\xDF\xBF", {u8"\u0080\u07FF"}},
    {"utf8_three_byte",
     "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
     {u8"\u0800\uD7FF\uE000\uFFFF"}},
    {"utf8_four_byte", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\n", {u8"\U00010000\U0010FFFF\n"}},
    // Every byte that does not begin a valid sequence is one Windows-1252 character.
    {"overlong_two_byte", "\xC0\x80\xC1\xBF", {u8"\u00C0\u20AC\u00C1\u00BF"}},
    {"overlong_three_byte", "\xE0\x9F\xBF", {u8"\u00E0\u0178\u00BF"}},
    {"overlong_four_byte", "\xF0\x8F\xBF\xBF", {u8"\u00F0\u008F\u00BF\u00BF"}},
    {"surrogate", "\xED\xA0\x80\xED\xBF\xBF", {u8"\u00ED\u00A0\u20AC\u00ED\u00BF\u00BF"}},
    {"above_10FFFF", "\xF4\x90\x80\x80\xF5\x80", {u8"\u00F4\u0090\u20AC\u20AC\u00F5\u20AC"}},
    {"truncated_before_ascii",
     "\xE2\x82"
     "a\xF0\x9F\x98\n",
     {u8"\u00E2\u201Aa\u00F0\u0178\u02DC\n"}},
    {"truncated_at_end", "a\xE2\x82", {u8"a\u00E2\u201A"}},
    {"truncated_before_valid", "\xC3\xC3\xA9", {u8"\u00C3\u00E9"}},
    {"stray_continuation",
     "a\x80\xBF"
     "b",
     {u8"a\u20AC\u00BFb"}},
    {"fe_ff_in_utf8", "a\xFE\xFF", {u8"a\u00FE\u00FF"}},
    {"latin1_word", "caf\xE9\n", {u8"caf\u00E9\n"}},
    {"windows_1252_specials", "\x85\x8A\x99\x9F", {u8"\u2026\u0160\u2122\u0178"}},
    {"windows_1252_unassigned", "\x81\x8D\x8F\x90\x9D", {u8"\u0081\u008D\u008F\u0090\u009D"}},
    // With code page 437's degree signs: a lone 0xF8 after a digit, before F or C, or after a
    // digit and F or C; elsewhere, and in UTF-8, it is what it always is.
    {"dos_degrees",
     "350\xF8 1\xF8"
     "F 40\xF8"
     "C",
     {u8"350\u00B0 1\u00B0F 40\u00B0C"},
     InputEncoding::kUtf8DosDegrees},
    {"dos_degree_before_scale",
     "at \xF8"
     "F, \xF8"
     "C",
     {u8"at \u00B0F, \u00B0C"},
     InputEncoding::kUtf8DosDegrees},
    {"dos_degree_after_scale",
     "350F\xF8. 5C\xF8",
     {u8"350F\u00B0. 5C\u00B0"},
     InputEncoding::kUtf8DosDegrees},
    {"dos_degree_elsewhere",
     "s\xF8ren \xF8 F\xF8 \xF8"
     "f 5\n\xF8",
     {u8"s\u00F8ren \u00F8 F\u00F8 \u00F8f 5\n", u8"\u00F8"},
     InputEncoding::kUtf8DosDegrees},
    {"dos_degree_beside_utf8",
     "\xC3\xB8"
     "5\xF8 \xC2\xB0"
     "F caf\xE9",
     {u8"\u00F85\u00B0 \u00B0F caf\u00E9"},
     InputEncoding::kUtf8DosDegrees},

    // UTF-16: pairs, unpaired surrogates, an odd final byte, line ends.
    {"utf16le_pair", le(u"\U0001F600\n"), {u8"\U0001F600\n"}},
    {"utf16be_pair", be(u"\U0001F600\n"), {u8"\U0001F600\n"}},
    {"utf16le_high_at_end", le(u"a"s + char16_t(0xD83D)), {u8"a\uFFFD"}},
    {"utf16le_high_before_char", le(u""s + char16_t(0xD83D) + u"a"), {u8"\uFFFDa"}},
    {"utf16be_lone_low", be(u""s + char16_t(0xDE00) + u"a"), {u8"\uFFFDa"}},
    {"utf16le_high_high_low",
     le(u""s + char16_t(0xD83D) + char16_t(0xD83D) + char16_t(0xDE00)),
     {u8"\uFFFD\U0001F600"}},
    {"utf16le_high_before_cr", le(u""s + char16_t(0xD83D) + u"\r\n"), {u8"\uFFFD\n"}},
    {"utf16le_odd_final_byte", le(u"ab") + "c", {"ab"}},
    {"utf16be_odd_byte_only",
     "\xFE\xFF"
     "c",
     {}},
    {"utf16le_crlf_and_cr", le(u"a\r\nb\rc\r"), {"a\n", "b\n", "c\n"}},
    {"utf16be_non_ascii", be(u"\u00E9\u20AC\n"), {u8"\u00E9\u20AC\n"}},
    {"utf16le_nul", le(u"a"s + char16_t(0) + u"b"), {"a\0b"s}},

    // Line ends: CR LF and a lone CR are each one line feed.
    {"lf_only", "\n\n", {"\n", "\n"}},
    {"crlf", "a\r\nb\r\n", {"a\n", "b\n"}},
    {"lone_cr", "a\rb", {"a\n", "b"}},
    {"cr_cr", "a\r\rb", {"a\n", "\n", "b"}},
    {"lf_cr", "a\n\rb", {"a\n", "\n", "b"}},
    {"cr_crlf", "\r\r\n", {"\n", "\n"}},
    {"cr_at_end", "a\r", {"a\n"}},
    {"crlf_only", "\r\n", {"\n"}},
    {"cr_after_non_ascii", u8"\u00E9\r\n\u00E9\r", {u8"\u00E9\n", u8"\u00E9\n"}},
    {"cr_after_invalid_byte", "\xE9\r\xE9\r\n", {u8"\u00E9\n", u8"\u00E9\n"}},

    // A Ctrl-Z is an end-of-file mark only as the very last byte.
    {"ctrl_z_only", "\x1A", {}},
    {"ctrl_z_after_line", "a\n\x1A", {"a\n"}},
    {"ctrl_z_ends_line", "a\x1A", {"a"}},
    {"ctrl_z_twice", "a\x1A\x1A", {"a\x1A"}},
    {"ctrl_z_inside",
     "a\x1A"
     "b\x1A\n",
     {"a\x1A"
      "b\x1A\n"}},
    {"ctrl_z_after_cr", "a\r\x1A", {"a\n"}},
    {"ctrl_z_before_crlf", "a\x1A\r\n", {"a\x1A\n"}},
    {"ctrl_z_after_bom", "\xEF\xBB\xBF\x1A", {}},
    {"ctrl_z_after_invalid_byte", "\xE9\x1A", {u8"\u00E9"}},
    {"utf16le_ctrl_z_last", le(u"a\n\x1A"), {"a\n"}},
    {"utf16be_ctrl_z_last", be(u"a\x1A"), {"a"}},
    {"utf16le_ctrl_z_twice", le(u"\x1A\x1A"), {"\x1A"}},
    {"utf16le_ctrl_z_inside",
     le(u"\x1A"
        "a"),
     {"\x1A"
      "a"}},
    // The odd byte is not a character, so the U+001A before it is the last one.
    {"utf16le_ctrl_z_before_odd_byte", le(u"a\x1A") + "c", {"a"}},

    // U+0000 is an ordinary character.
    {"nul", "\0a\0\n\0"s, {"\0a\0\n"s, "\0"s}},
    {"nul_after_bom", "\xEF\xBB\xBF\0"s, {"\0"s}},

    // The last line keeps all its characters when no line feed ends it.
    {"no_final_line_feed", "ab\ncd", {"ab\n", "cd"}},
    {"single_char", "x", {"x"}},
};

void PrintTo(const ReaderCase& c, std::ostream* os) {
  *os << c.name;
}

class ReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderCases, ReadsTheExpectedLinesInAnyPieces) {
  const ReaderCase& c = GetParam();
  for (std::size_t piece : kPieceSizes) {
    const ReadOutcome outcome = read_all(c.input, piece, c.encoding);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_EQ(outcome.lines, c.lines) << "pieces of " << piece;
  }
}

// The byte-order mark at the start of `input`, and the bytes per character of padding text.
struct Framing {
  std::size_t bom_size;
  int unit;  // 1: UTF-8, 2: UTF-16LE, -2: UTF-16BE
};

Framing framing_of(const std::string& input) {
  if (input.compare(0, 3, "\xEF\xBB\xBF") == 0) return {3, 1};
  if (input.compare(0, 2, "\xFF\xFE") == 0) return {2, 2};
  if (input.compare(0, 2, "\xFE\xFF") == 0) return {2, -2};
  return {0, 1};
}

// Puts lines of padding in front of the case's text so that its first byte lands at `offset`
// and its text straddles the point where the reader's buffer is refilled.
TEST_P(ReaderCases, ReadsTheSameAcrossTheBufferBoundary) {
  const ReaderCase& c = GetParam();
  const Framing framing = framing_of(c.input);
  const std::size_t unit_bytes = framing.unit == 1 ? 1 : 2;
  for (std::size_t offset = kIoBufferSize - 5; offset <= kIoBufferSize + 2; ++offset) {
    if (offset <= framing.bom_size || (offset - framing.bom_size) % unit_bytes != 0) continue;
    std::size_t pad_chars = (offset - framing.bom_size) / unit_bytes;
    Lines expected;
    std::u16string padding;
    while (pad_chars > 0) {
      const std::size_t n = pad_chars < 100 ? pad_chars : 100;
      expected.push_back(std::string(n - 1, 'x') + "\n");
      padding += std::u16string(n - 1, u'x') + u"\n";
      pad_chars -= n;
    }
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    std::string input = c.input;
    if (framing.unit == 1) {
      input.insert(framing.bom_size, std::string(padding.begin(), padding.end()));
    } else {
      input.insert(framing.bom_size, utf16(padding, framing.unit == 2));
    }
    const ReadOutcome outcome = read_all(input, kWhole, c.encoding);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_EQ(outcome.lines, expected) << "text at byte " << offset;
  }
}

INSTANTIATE_TEST_SUITE_P(TextReader, ReaderCases, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

// Every byte from 0xA0 up, when it does not begin a valid sequence, is the Latin-1 character
// of the same value; 0x80 to 0x9F follow the Windows-1252 table.
TEST(TextReader, DecodesEveryLoneHighByteAsWindows1252) {
  static constexpr char16_t k80To9F[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    const char32_t expected = byte < 0xA0 ? k80To9F[byte - 0x80] : byte;
    const ReadOutcome outcome = read_all(std::string(1, static_cast<char>(byte)) + "\n", kWhole);
    std::string utf8;
    unsigned char encoded[4];
    utf8.assign(reinterpret_cast<char*>(encoded), utf8::encode(expected, encoded));
    EXPECT_EQ(outcome.lines, Lines({utf8 + "\n"})) << "byte " << byte;
  }
}

bool is_utf8(const std::string& bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8::valid_sequence_length(at + i, bytes.size() - i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

struct ChoiceCase {
  const char* name;
  std::string input;
  InputEncoding chosen;
  const char* reason = nullptr;  // the notice's text, where it is checked
};

constexpr InputEncoding kUtf8 = InputEncoding::kUtf8;
constexpr InputEncoding kCp437 = InputEncoding::kUtf8Cp437;
constexpr InputEncoding kDosDegrees = InputEncoding::kUtf8DosDegrees;

const ChoiceCase kChoiceCases[] = {
    // UTF-8 stays UTF-8; only the bytes that are not UTF-8 have their code page chosen.
    {"ascii", "Stir well.\x14\r\n", kUtf8, "utf-8: every byte is valid UTF-8"},
    {"utf8",
     "caf\xC3\xA9 at 350\xC2\xB0"
     "F",
     kUtf8},
    {"utf8_and_a_stray_fraction", "caf\xC3\xA9, 1\xAB cups", kCp437},
    {"utf8_and_a_stray_degree", "caf\xC3\xA9 at 350\xF8, don\x92t", kDosDegrees},
    // Code page 437 on any of its signs where Windows-1252 shows none.
    {"degree_after_digits", "Bake at 350\xF8 for an hour", kCp437,
     "cp437: 0xF8 by a number 1 time"},
    {"degree_before_scale",
     "at 350 \xF8"
     "F",
     kCp437},
    {"degree_after_scale", "at 350F\xF8.", kCp437},
    {"fraction_after_a_digit", "simmer 2\xAB hours", kCp437},
    {"fraction_after_a_blank", "\xAC cup milk", kCp437},
    {"symbol_after_a_digit", "Version 1.80\xE1\r\n", kCp437},
    {"box_drawing", "reheat \xC4\xC4 with the rest", kCp437},
    {"paragraph_marks", "Stir well.\x14\r\n\x15 Serve\r\n\xFE\r\n", kCp437},
    {"letter_ending_a_word", "saut\x82 them", kCp437},
    {"letters_in_words", "jalape\xA4o and RAGO\x96T", kCp437},
    // Windows-1252 on its own signs, or on none.
    {"no_sign", "- \xFE \xB6", kUtf8, "windows-1252: no sign of cp437"},
    {"windows_letters", "caf\xE9 au lait, cr\xE8me", kUtf8},
    {"windows_punctuation",
     "don\x92t \x93say\x94 it \x96 now, 1\x96"
     "2 cups, well\x97then",
     kUtf8},
    {"windows_degree_and_halves",
     "350\xB0"
     "F, 1\xBD cups, \xBD cup",
     kUtf8},
    {"letters_in_both", "cr\x8Ame, \x8A", kUtf8},
    {"guillemets_among_letters", "\xAB Bonjour \xBB, caf\xE9, cr\xE8me, th\xE9", kUtf8},
    // Code page 437 where its signs are three times Windows-1252's or more.
    {"cp437_three_to_one",
     "saut\x82, pur\x82"
     "e, 2\xAB cups, MEAT PIE\xFA",
     kCp437,
     "cp437: 0xAB/0xAC by a number or blank 1 time, cp437 letters in words 2 times, against "
     "windows-1252 letters in words 1 time"},
    {"cp437_two_to_one",
     "saut\x82, pur\x82"
     "e, MEAT PIE\xFA",
     kUtf8},
    // Windows-1252 text with DOS temperatures: the degree signs mended, the rest Windows-1252.
    {"windows_text_and_dos_degrees",
     "saut\xE9 at 350\xF8"
     "F",
     kDosDegrees,
     "windows-1252, and 0xF8 as cp437's degree sign: windows-1252 letters in words 1 time, "
     "against 0xF8 by a number 1 time"},
    {"dos_degrees_and_an_apostrophe", "350\xF8, 375\xF8, 400\xF8, don\x92t", kDosDegrees},
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << c.name;
}

class ChoiceCases : public ::testing::TestWithParam<ChoiceCase> {};

std::string described(const EncodingChoice& choice) {
  char text[512];
  return std::string(text, describe_choice(choice, text, sizeof text));
}

Lines read_choosing(MemorySource& source, RandomAccessFile* whole_input, std::size_t limit,
                    EncodingChoice& choice) {
  TextReader reader(source, InputEncoding::kChoose, stop_marker(chosen_simd_path()), limit,
                    whole_input);
  auto store = std::make_unique<LineStore>();
  TextLine line;
  Lines lines;
  while (reader.read_line(store->bytes, line))
    lines.emplace_back(reinterpret_cast<const char*>(line.bytes), line.size);
  EXPECT_EQ(reader.error(), 0);
  choice = reader.encoding_choice();
  return lines;
}

// The reader that is to choose does so at the first byte that is not UTF-8, from the whole input
// where it can read it again (through its own buffer, read again after), else from what its
// buffer holds then; and it reads every line as the encoding it chose would, also the lines
// before that byte.
TEST_P(ChoiceCases, TheReaderChoosesAndReadsAsItChose) {
  const ChoiceCase& c = GetParam();
  const bool stray = !is_utf8(c.input);
  const std::string padded = std::string(50, '-') + "\n" + std::string(70, '=') + "\n" + c.input;
  struct Way {
    std::string input;
    bool whole;         // with the whole input, which the buffer may not hold
    std::size_t limit;  // of the buffer
  };
  for (const Way& way : {Way{c.input, false, 0}, Way{c.input, true, 0}, Way{padded, true, 61}}) {
    MemorySource source(way.input, 1);
    EncodingChoice choice;
    const Lines lines = read_choosing(source, way.whole ? &source : nullptr, way.limit, choice);
    const std::string how = (way.whole ? "whole input, " : "buffer, ") + std::to_string(way.limit);
    EXPECT_EQ(choice.ground,
              stray ? EncodingChoice::Ground::kSigns : EncodingChoice::Ground::kNoStrayByte)
        << how;
    // Read a byte at a time, as a slow pipe may give it, an input the buffer holds is still
    // chosen from all of it.
    if (way.whole || way.input.size() <= kIoBufferSize) {
      EXPECT_EQ(input_encoding_name(choice.encoding), std::string(input_encoding_name(c.chosen)))
          << how;
    }
    EXPECT_EQ(lines, read_all(way.input, kWhole, choice.encoding).lines) << how;
  }
}

// A file read at any offset gives the same choice and signs, whatever pieces it is read in.
TEST_P(ChoiceCases, AFileIsChosenAlikeInAnyPieces) {
  const ChoiceCase& c = GetParam();
  MemorySource whole(c.input);
  std::vector<unsigned char> buffer(4096);
  int error = -1;
  const EncodingChoice expected = choose_encoding(whole, buffer.data(), buffer.size(), error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(input_encoding_name(expected.encoding), std::string(input_encoding_name(c.chosen)));
  for (std::size_t piece : kPieceSizes) {
    MemorySource pieces(c.input, piece);
    const EncodingChoice choice = choose_encoding(pieces, buffer.data(), 8, error);
    EXPECT_EQ(described(choice), described(expected)) << "pieces of " << piece;
  }
  if (c.reason != nullptr) {
    EXPECT_EQ(described(expected), c.reason);
  }
}

INSTANTIATE_TEST_SUITE_P(TextReader, ChoiceCases, ::testing::ValuesIn(kChoiceCases),
                         [](const auto& test) { return std::string(test.param.name); });

// A UTF-8 byte-order mark leaves nothing to choose: a byte that is not UTF-8 is Windows-1252.
TEST(TextReader, AByteOrderMarkIsNotOverruledByTheSigns) {
  const std::string input =
      "\xEF\xBB\xBF"
      "350\xF8";
  MemorySource source(input);
  TextReader reader(source, InputEncoding::kChoose, stop_marker(chosen_simd_path()));
  auto store = std::make_unique<LineStore>();
  TextLine line;
  ASSERT_TRUE(reader.read_line(store->bytes, line));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line.bytes), line.size), u8"350\u00F8");
  EXPECT_EQ(reader.encoding_choice().ground, EncodingChoice::Ground::kByteOrderMark);
}

// The real archives of the development set, where they are. Their bytes show that each archive
// of collection-a that is not UTF-8 was written in code page 437 (0xF8 after temperatures, 0x82
// for é, 0x14 ending paragraphs); each is chosen so, read in pieces, and every file in UTF-8 or
// plain ASCII, the column-layout cookbook among them, is read as UTF-8.
TEST(TextReader, ChoosesCp437ForTheDosArchivesOfTheDevelopmentSet) {
  const std::filesystem::path archives =
      std::filesystem::path(MIRTABEL_STRUCTURED_DEV_DIR) / "archives";
  if (!std::filesystem::is_directory(archives)) GTEST_SKIP() << archives << " is absent";
  std::size_t dos = 0, utf8 = 0;
  std::vector<unsigned char> buffer(4096);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(archives)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    const bool in_utf8 = is_utf8(bytes);
    if (!in_utf8 && entry.path().parent_path().filename() != "collection-a") continue;
    (in_utf8 ? utf8 : dos) += 1;
    MemorySource source(bytes, 4093);
    int error;
    const EncodingChoice choice = choose_encoding(source, buffer.data(), buffer.size(), error);
    EXPECT_EQ(input_encoding_name(choice.encoding), std::string(in_utf8 ? "utf-8" : "utf-8+cp437"))
        << entry.path() << ": " << described(choice);
  }
  EXPECT_GT(dos, 0u);
  EXPECT_GT(utf8, 0u);
}

// The line limit counts characters, the line feed included, whatever their size in bytes.
TEST(TextReader, SplitsLinesLongerThanTheLimitByCharacters) {
  struct LimitCase {
    std::size_t count;
    std::string character;  // repeated `count` times
    std::string ending;
    Lines lines;
  };
  const std::string e = u8"\u00E9", emoji = u8"\U0001F600";
  const LimitCase cases[] = {
      {4998, "a", "\n", {run(4998, "a") + "\n"}},
      {4999, "a", "\n", {run(4999, "a"), "\n"}},
      {5000, "a", "\n", {run(4999, "a"), "a\n"}},
      {4998, "a", "\r\n", {run(4998, "a") + "\n"}},
      {4999, "a", "\r\n", {run(4999, "a"), "\n"}},
      {5000, "a", "\r\n", {run(4999, "a"), "a\n"}},
      {4999, "a", "\rb", {run(4999, "a"), "\n", "b"}},
      {4999, "a", "", {run(4999, "a")}},
      {5000, "a", "", {run(4999, "a"), "a"}},
      {9998, "a", "\n", {run(4999, "a"), run(4999, "a"), "\n"}},
      {4998, "a", e + "\n", {run(4998, "a") + e, "\n"}},
      {4998, e, "\n", {run(4998, e) + "\n"}},
      {4999, e, "\r\n", {run(4999, e), "\n"}},
      {5000, e, "", {run(4999, e), e}},
      // Where wchar_t has 16 bits, a line holds 2,499 surrogate pairs.
      {4998, emoji, "\n",
       utf8::kWideIsUtf16 ? Lines{run(2499, emoji), run(2499, emoji) + "\n"}
                          : Lines{run(4998, emoji) + "\n"}},
      {5000, emoji, "\n",
       utf8::kWideIsUtf16 ? Lines{run(2499, emoji), run(2499, emoji), run(2, emoji) + "\n"}
                          : Lines{run(4999, emoji), emoji + "\n"}},
      {4999, "\xE9", "\n", {run(4999, e), "\n"}},
  };
  for (const LimitCase& c : cases) {
    const std::string input = run(c.count, c.character) + c.ending;
    for (std::size_t piece : {std::size_t{3}, std::size_t{1000}, kWhole}) {
      EXPECT_EQ(read_all(input, piece).lines, c.lines)
          << c.count << " x " << c.character.size() << "-byte character, pieces of " << piece;
    }
  }
  // In UTF-16 input too, and a surrogate pair is one character (two where wchar_t has 16 bits).
  const std::u16string a4999(4999, u'a');
  EXPECT_EQ(read_all(le(a4999 + u"\r\n"), 5).lines, Lines({run(4999, "a"), "\n"}));
  std::u16string pairs;
  for (int i = 0; i < 4998; ++i)
    pairs += u"\U0001F600";
  const Lines pair_lines = utf8::kWideIsUtf16 ? Lines{run(2499, emoji), run(2499, emoji) + "\n"}
                                              : Lines{run(4998, emoji) + "\n"};
  EXPECT_EQ(read_all(be(pairs + u"\n"), kWhole).lines, pair_lines);
}

// A line that lies whole in the buffer is taken from it in wide steps, others character by
// character; both must read alike, on every inner loop, in UTF-8, in a code page and with code
// page 437's degree signs, wherever the buffer ends, for lines near the limit too.
TEST(TextReader, BufferedLinesReadAsTheDecoderReadsThem) {
  const std::string fragments[] = {"a",
                                   "Mix well",
                                   " ",
                                   "\t",
                                   "\x1A",
                                   "\xC3\xA9",
                                   "\xC2\xB0",
                                   "\xE2\x82\xAC",
                                   "\xF0\x9F\x98\x80",
                                   "\xE9",
                                   "\xF8",
                                   "7",
                                   "C",
                                   "\xC3",
                                   "\xBF",
                                   "\xED\xA0\x80",
                                   "\r",
                                   "\r\n",
                                   "\n",
                                   "\n",
                                   std::string(70, 'x'),
                                   std::string(1500, 'y'),
                                   run(800, "\xC3\xA9")};
  std::mt19937 random(7);
  std::string input;
  while (input.size() < 40000)
    input += fragments[random() % std::size(fragments)];
  const SimdPath paths[] = {SimdPath::kPortable, SimdPath::kSse2, SimdPath::kAvx2, SimdPath::kNeon};
  for (const InputEncoding encoding :
       {InputEncoding::kUtf8, InputEncoding::kCp437, InputEncoding::kUtf8DosDegrees}) {
    MemorySource byte_by_byte(input, 1);
    const Lines expected = read_all(byte_by_byte, encoding).lines;
    for (const SimdPath path : paths) {
      if (!simd_path_available(path)) continue;
      for (const std::size_t limit : {std::size_t{0}, std::size_t{61}, std::size_t{5003}}) {
        MemorySource whole(input);
        EXPECT_EQ(read_all(whole, encoding, path, limit).lines, expected)
            << input_encoding_name(encoding) << ", " << simd_path_name(path) << ", buffer "
            << limit;
      }
    }
  }
}

// A line without a line feed keeps all its characters as text; one with a line feed loses only
// the line feed. Length thresholds still see the length as read.
TEST(TextReader, LineTextKeepsTheLastCharacterWithoutALineFeed) {
  MemorySource source("ab\ncd");
  TextReader reader(source, InputEncoding::kUtf8, stop_marker(chosen_simd_path()));
  auto store = std::make_unique<LineStore>();
  TextLine line;
  ASSERT_TRUE(reader.read_line(store->bytes, line));
  EXPECT_EQ(line.chars, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line.bytes), line.text_size()), "ab");
  EXPECT_EQ(line.text_chars(), 2u);
  ASSERT_TRUE(reader.read_line(store->bytes, line));
  EXPECT_EQ(line.chars, 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line.bytes), line.text_size()), "cd");
  EXPECT_EQ(line.text_chars(), 2u);
}

// A failed read is reported, and what was read before it is never passed off as the whole input:
// only complete lines that precede the failure come back, never a piece of the line it cut.
TEST(TextReader, ReportsAFailedReadAtEveryOffset) {
  const std::string inputs[] = {
      "*  M  *\r\nfirst\r\n\xE9t\xC3\xA9\rlast\x1A",
      le(u"ab\r\n\U0001F600\rc\x1A"),
      "\xEF\xBB\xBF" + std::string(6000, 'z') + "\n",
  };
  for (const std::string& input : inputs) {
    const Lines all = read_all(input, kWhole).lines;
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, kWhole}) {
      for (std::size_t fail_at = 0; fail_at<input.size(); fail_at += input.size()> 100 ? 97 : 1) {
        MemorySource source(input, piece);
        source.fail_at(fail_at, EIO);
        const ReadOutcome outcome = read_all(source);
        EXPECT_EQ(outcome.error, EIO) << "failed at " << fail_at << ", pieces of " << piece;
        // Only lines that the bytes before the failure hold in full.
        const Lines before = read_all(input.substr(0, fail_at), kWhole).lines;
        std::size_t complete = 0;
        while (complete < before.size() && before[complete] == all[complete])
          ++complete;
        ASSERT_LE(outcome.lines.size(), complete) << "failed at " << fail_at;
        for (std::size_t i = 0; i < outcome.lines.size(); ++i) {
          EXPECT_EQ(outcome.lines[i], all[i]) << "failed at " << fail_at;
        }
      }
    }
  }
}

// The same through the whole conversion: a failed read is an error, never a count.
TEST(TextReader, AFailedReadFailsTheConversion) {
  const std::string input =
      "* M *\r\n\r\nTitle\r\n--------\r\nbody\r\n* M *\r\n\r\nNext\r\n--------\r\nmore\r\n";
  for (std::size_t fail_at = 0; fail_at < input.size(); ++fail_at) {
    MemorySource source(input, 4);
    source.fail_at(fail_at, EIO);
    testing::MemorySink sink;
    const ConversionResult result = convert_mxp(source, sink);
    EXPECT_EQ(result.error, EIO) << "failed at " << fail_at;
  }
}

}  // namespace
}  // namespace mirtabel
