// Hostile and extreme input, converted from real files: random bytes, every kind of invalid
// UTF-8 and UTF-16, lines at the reader's line limit, line ends and characters across the read
// buffer's end, a huge file without a line feed and ten million empty lines. Each conversion
// ends with a clear result and loses no text it should keep.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "exports/mirtabel.h"
#include "fuzz/conversion_checks.h"
#include "platform/io_buffer_size.h"
#include "tests/hardening/hardening_support.h"

namespace mirtabel::hardening {
namespace {

struct FileOutcome {
  std::int32_t result;
  int error;
  std::string output;
};

// Writes `input` to a file and converts it with ConvertMXP.
FileOutcome convert_file(const std::string& input) {
  TempDir dir;
  write_file(dir.file("in.mxp"), input);
  errno = 0;
  const std::int32_t result =
      ConvertMXP(wide(dir.file("in.mxp")).c_str(), wide(dir.file("out.txt")).c_str());
  return {result, result < 0 ? errno : 0, read_file(dir.file("out.txt"))};
}

// `count` records of the title field `title` and an empty body.
std::string records_of(const std::string& title, std::size_t count) {
  std::string records;
  records.reserve(count * (title.size() + 1));
  for (std::size_t i = 0; i < count; ++i)
    records.append(title).push_back('\n');
  return records;
}

void expect_converts_to(const std::string& input, const std::string& expected, int records) {
  const FileOutcome outcome = convert_file(input);
  EXPECT_EQ(outcome.result, records) << std::strerror(outcome.error);
  EXPECT_EQ(outcome.output, expected);
}

// Random bytes, and random runs of the format's own tokens, which reach far more of the
// converter: every conversion keeps the properties the fuzzer checks, and a file gives the same
// records as memory.
TEST(BadInput, RandomBytesGiveWellFormedRecords) {
  const std::vector<std::string> tokens = {kMarker + "\n",
                                           "\n",
                                           "\r\n",
                                           "\r",
                                           "Title: ",
                                           "--------",
                                           "[PAGE]",
                                           "   ",
                                           "x",
                                           "\x1A",
                                           "\xEF\xBB\xBF",
                                           "\xFF\xFE",
                                           "\xC3\xA9",
                                           "\xE2\x82",
                                           "\xF0\x9F\x8D\xB5",
                                           "\x80",
                                           std::string(1, '\0')};
  std::mt19937 random(20240611);
  for (int round = 0; round < 60; ++round) {
    std::string input;
    const std::size_t size = random() % 65536;
    if (round % 2 == 0) {
      while (input.size() < size)
        input += static_cast<char>(random() & 0xFF);
    } else {
      while (input.size() < size)
        input += tokens[random() % tokens.size()];
    }
    SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(input.size()) + " bytes");
    EXPECT_EQ(fuzzing::find_violation(input), "");
    if (round % 10 < 2) {
      const testing::Converted in_memory = testing::convert_text(input);
      expect_converts_to(input, in_memory.output, in_memory.records);
    }
  }
}

// Every invalid UTF-8 sequence, in a title, inside a body line and at the very end of the input:
// each byte that begins no valid sequence is one Windows-1252 character, and what follows is read
// as usual.
TEST(BadInput, InvalidUtf8IsKeptByteForByte) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;  // what they read as
  };
  const Case cases[] = {
      {"two-byte sequence cut short", "\xC3", "\u00C3"},
      {"three-byte sequence cut short", "\xE2\x82", "\u00E2\u201A"},
      {"four-byte sequence cut short", "\xF0\x9F\x8D", "\u00F0\u0178\u008D"},
      {"overlong forms", "\xC0\xAF\xE0\x80\xAF\xF0\x80\x80\xAF",
       "\u00C0\u00AF\u00E0\u20AC\u00AF\u00F0\u20AC\u20AC\u00AF"},
      {"surrogate", "\xED\xB0\x80", "\u00ED\u00B0\u20AC"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "\u00F4\u0090\u20AC\u20AC"},
      {"bytes that start nothing", "\xF8\xFC\xFE\xFF", "\u00F8\u00FC\u00FE\u00FF"},
      {"stray continuation bytes", "\x80\xBF", "\u20AC\u00BF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sample raw, read;
    raw.add_recipe("Dish " + c.bytes + " end", {"a" + c.bytes + "b", "z" + c.bytes});
    read.add_recipe("Dish " + c.text + " end", {"a" + c.text + "b", "z" + c.text});
    raw.input.pop_back();  // no line feed after the last sequence
    expect_converts_to(raw.input, read.expected, 1);
  }
}

// UTF-16 input: a surrogate without its partner is U+FFFD and takes nothing next to it along; a
// pair still reads as one character; an odd final byte is dropped.
TEST(BadInput, InvalidUtf16BecomesReplacementCharacters) {
  struct Case {
    const char* what;
    std::u16string units;
    std::string text;
  };
  const Case cases[] = {
      {"high surrogate before a letter",
       u"\xD83D"
       u"a",
       "\uFFFD"
       "a"},
      {"lone low surrogate",
       u"\xDE00"
       u"a",
       "\uFFFD"
       "a"},
      {"pair in the wrong order", u"\xDE00\xD83D", "\uFFFD\uFFFD"},
      {"two high surrogates, then a low one", u"\xD83D\xD83D\xDE00", "\uFFFD\U0001F600"},
      {"valid pair", u"\xD83D\xDE00", "\U0001F600"},
  };
  for (const bool big_endian : {false, true}) {
    const auto encode = [&](const std::u16string& units) {
      std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
      for (char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? high : low;
        bytes += big_endian ? low : high;
      }
      return bytes.substr(2);
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (big_endian ? ", big-endian" : ", little-endian"));
      const std::u16string marker(kMarker.begin(), kMarker.end());
      const std::u16string text =
          marker + u"\n\nDish " + c.units + u" end\n--------\na" + c.units + u"b\nz" + c.units;
      Sample read;
      read.add_recipe("Dish " + c.text + " end", {"a" + c.text + "b", "z" + c.text});
      const std::string bom = big_endian ? "\xFE\xFF" : "\xFF\xFE";
      expect_converts_to(bom + encode(text), read.expected, 1);
      expect_converts_to(bom + encode(text) + "\x01", read.expected, 1);  // odd length
    }
  }
}

// The reader returns at most 4,999 characters at a time, a line feed (or CR LF) counting as one:
// a longer line goes on in the next read and each read becomes its own page of the body. The
// characters are counted as characters, not bytes.
TEST(BadInput, LinesAtTheLineLimitLoseNoCharacter) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> pieces;  // characters of text in each read of the line
  };
  const Case cases[] = {{4998, {4998}}, {4999, {4999, 0}}, {5000, {4999, 1}}};
  for (const Case& c : cases) {
    for (const std::string line_end : {"\n", "\r\n"}) {
      for (const std::string character : {"a", "\u20AC"}) {
        SCOPED_TRACE(std::to_string(c.length) + " x \"" + character + "\"" +
                     (line_end == "\n" ? " + LF" : " + CR LF"));
        std::string line;
        for (std::size_t i = 0; i < c.length; ++i)
          line += character;
        Sample input;
        input.add_recipe("Long", {line, "after"}, line_end);
        std::string expected = title_field("Long");
        for (std::size_t piece : c.pieces) {
          expected += "[PAGE]";
          for (std::size_t i = 0; i < piece; ++i)
            expected += character;
        }
        expected += "[PAGE]after\n";
        expect_converts_to(input.input, expected, 1);
      }
    }
  }
}

// Offsets [first, last] at which to place a split so that one lands on the end of a buffer full:
// around the end of the first one, or, where the buffer is smaller than `minimum`, every offset
// across two buffer lengths.
std::pair<std::size_t, std::size_t> offsets_across_a_buffer_end(std::size_t minimum) {
  if (kIoBufferSize >= minimum + 4) return {kIoBufferSize - 4, kIoBufferSize + 1};
  return {minimum, minimum + 2 * kIoBufferSize + 4};
}

// CR LF and lone CR with the CR as the last byte of a buffer full, or near it: one line end
// each, never two and never none.
TEST(BadInput, LineEndsAcrossTheReadBufferAreReadOnce) {
  constexpr std::size_t kLineText = 20;
  const std::size_t header = kMarker.size() + 4 * 2 + 5 + 8;  // the recipe below, with CR LF
  const auto [first, last] =
      offsets_across_a_buffer_end(header + kLineText + Sample::kFillerMinimum);
  for (const std::string line_end : {"\r\n", "\r"}) {
    for (std::size_t cr_at = first; cr_at <= last; ++cr_at) {
      SCOPED_TRACE((line_end == "\r" ? "CR at " : "CR LF at ") + std::to_string(cr_at));
      const std::size_t recipe_start = cr_at - kLineText - (header - 4 * (2 - line_end.size()));
      Sample sample;
      sample.fill_to(recipe_start, line_end);
      sample.add_recipe("Split", {std::string(kLineText, 's'), "next"}, line_end);
      ASSERT_EQ(sample.input.compare(cr_at, 1, "\r"), 0);
      expect_converts_to(sample.input, sample.expected, sample.records);
    }
  }
}

// A multi-byte character whose bytes are split between one buffer full and the next.
TEST(BadInput, CharactersAcrossTheReadBufferAreReadWhole) {
  constexpr std::size_t kLineText = 20;
  const std::size_t header = kMarker.size() + 4 + 5 + 8;
  const auto [first, last] =
      offsets_across_a_buffer_end(header + kLineText + Sample::kFillerMinimum);
  for (const std::string character : {"\u00E9", "\u20AC", "\U0001F375"}) {
    for (std::size_t char_at = first; char_at <= last; ++char_at) {
      SCOPED_TRACE(std::to_string(character.size()) + "-byte character at " +
                   std::to_string(char_at));
      Sample sample;
      sample.fill_to(char_at - kLineText - header);
      sample.add_recipe("Split", {std::string(kLineText, 's') + character + "t"});
      ASSERT_EQ(sample.input.compare(char_at, character.size(), character), 0);
      expect_converts_to(sample.input, sample.expected, sample.records);
    }
  }
}

// 64 MiB without a line feed: read in pieces of 4,999 characters, each a line of its own. The size
// is rounded up to a whole number of ten pieces, so that the last recipe is like all the others.
TEST(BadInput, HugeFileWithoutALineFeedConverts) {
  constexpr std::size_t kTenPieces = 10 * 4999;
  constexpr std::size_t kSize =
      ((std::size_t{64} << 20) + kTenPieces - 1) / kTenPieces * kTenPieces;
  struct Case {
    const char* what;
    std::string pattern;  // repeated to fill the file
    std::string expected;
    std::int32_t records;
  };
  const Case cases[] = {
      // Every piece is the first one again, so every piece is a marker line: each recipe is a
      // marker line, the line after it and its title line, and ends at the next piece with an
      // empty body.
      {"one letter", "a", records_of(std::string(100, 'a'), kSize / 4999 / 3),
       static_cast<std::int32_t>(kSize / 4999 / 3)},
      // Every tenth piece matches the first; each recipe's body outgrows the length limit.
      {"a rule and text", "--------a ", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string input;
    input.reserve(kSize);
    while (input.size() < kSize)
      input += c.pattern;
    input.resize(kSize);
    expect_converts_to(input, c.expected, c.records);
  }
}

// Ten million empty lines, each one a line of its own and each one counted.
TEST(BadInput, TenMillionEmptyLinesConvert) {
  constexpr std::size_t kLines = 10'000'000;
  // Only empty lines: the first is the marker line, so all are; each recipe is three of them,
  // with an empty title (100 spaces), and ends at the next one with an empty body.
  const std::string records = records_of(std::string(100, ' '), kLines / 3);
  for (const std::string line_end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(line_end == "\n" ? "LF" : line_end == "\r" ? "CR" : "CR LF");
    std::string input;
    input.reserve(kLines * line_end.size());
    for (std::size_t i = 0; i < kLines; ++i)
      input += line_end;
    expect_converts_to(input, records, static_cast<std::int32_t>(kLines / 3));
  }
  // As a body they outgrow the length limit; the recipe after them comes through whole.
  Sample first, last;
  first.add_recipe("Empty lines", {});
  last.add_recipe("Last", {"end"});
  std::string input = first.input;
  input.reserve(input.size() + kLines + last.input.size());
  input.append(kLines, '\n');
  expect_converts_to(input + last.input, last.expected, 1);
}

}  // namespace
}  // namespace mirtabel::hardening
