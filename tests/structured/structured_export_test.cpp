// The structured export: the samples in data/ beside the JSON Lines worked out by hand from the
// reading rules, the lines that are easy to get wrong, stores too small for a recipe, and
// failed reads and writes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "recipes/convert_mxp_to_json.h"
#include "recipes/json_writer.h"
#include "tests/support/json_lines_check.h"
#include "tests/support/memory_streams.h"

namespace mirtabel::testing {
namespace {

namespace fs = std::filesystem;

struct Exported {
  std::string output;
  JsonExportResult result;
};

// Exports `source` with stores of `text_size` bytes and `item_count` items.
Exported export_json(MemorySource& source, std::size_t text_size = 1 << 20,
                     std::size_t item_count = 4096, MemorySink sink = {}) {
  std::vector<unsigned char> text(text_size);
  std::vector<RecipeItem> items(item_count);
  const JsonExportResult result =
      convert_mxp_to_json(source, sink, {}, {text.data(), text_size, items.data(), item_count});
  return {sink.text(), result};
}

Exported export_json(const std::string& input, std::size_t text_size = 1 << 20,
                     std::size_t item_count = 4096) {
  MemorySource source(input);
  return export_json(source, text_size, item_count);
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Counts the recipes the flat records leave out for their length.
struct LeftOutCount final : ConversionObserver {
  int count = 0;
  void recipe_left_out(const LeftOutRecipe&) noexcept override { ++count; }
};

std::vector<fs::path> samples() {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(MIRTABEL_STRUCTURED_DATA_DIR)) {
    if (entry.path().extension() == ".mxp") found.push_back(entry.path());
  }
  return found;
}

// One object per recipe framed, over-long ones included: as many as the flat records written
// and left out together.
TEST(StructuredExport, SamplesGiveTheirGoldenJsonLines) {
  ASSERT_EQ(samples().size(), 2u);
  for (const fs::path& sample : samples()) {
    SCOPED_TRACE(sample.filename().string());
    const std::string input = read_file(sample);
    fs::path golden = sample;
    const std::string expected = read_file(golden.replace_extension(".jsonl"));
    MemorySource pieces(input, 3);
    for (const Exported& exported : {export_json(input), export_json(pieces)}) {
      EXPECT_EQ(exported.output, expected);
      EXPECT_EQ(exported.result.conversion.error, 0);
      EXPECT_EQ(exported.result.cut_recipes, 0);
      EXPECT_EQ(exported.result.conversion.bytes_written, expected.size());
    }
    LeftOutCount left_out;
    ConversionOptions options;
    options.observer = &left_out;
    MemorySource source(input);
    MemorySink flat;
    const ConversionResult records = convert_mxp(source, flat, options);
    EXPECT_EQ(export_json(input).result.conversion.records, records.records + left_out.count);
    EXPECT_EQ(check_json_lines(expected, records.records + left_out.count), "");
  }
}

struct ReadingCase {
  const char* what;
  std::string input;
  std::string expected;  // the object after "@context" and "@type", without its closing brace
};

const std::string kHead = "{\"@context\":\"https://schema.org\",\"@type\":\"Recipe\",";
const std::string kRule = "--------  ------------  --------------------------------\n";

std::string column(const std::string& header, const std::string& body) {
  return "*  Export  *\n\nTapas\n" + header + kRule + body;
}

std::string labelled(const std::string& rest) {
  return "== Export ==\n\nTitle: Tapas\n" + rest;
}

std::string steps(const std::string& text) {
  return "\"recipeInstructions\":[{\"@type\":\"HowToStep\",\"text\":\"" + text + "\"}]";
}

TEST(StructuredExport, ReadsTheLinesThatAreEasyToGetWrong) {
  const std::string a4999(4999, 'a');
  const ReadingCase cases[] = {
      {"a line longer than one read is one line again: white space on either side of a cut is "
       "one space, none is none",
       column("", "\n" + a4999.substr(1) + " b" + a4999.substr(1) + a4999 + " c\n"),
       "\"name\":\"Tapas\"," + steps(a4999.substr(1) + " b" + a4999.substr(1) + a4999 + " c")},
      {"quotes, backslashes and control characters are escaped; white space between words is one "
       "space",
       column("", "\nSay \"\\\", \x01, \t and " + std::string(1, '\0') + ".\n"),
       "\"name\":\"Tapas\"," + steps("Say \\\"\\\\\\\", \\u0001, and \\u0000.")},
      {"what could end an HTML script element, and the noncharacters, are escaped too",
       column("", "\n</script><!-- \xEF\xB7\x90 \xF4\x8F\xBF\xBF\n"),
       "\"name\":\"Tapas\"," + steps("\\u003c/script>\\u003c!-- \\ufdd0 \\udbff\\udfff")},
      {"a line above the rule that does not name the columns is kept",
       column("Typed from a card\n", ""), "\"name\":\"Tapas\"," + steps("Typed from a card")},
      {"a rule of one run gives no table: what follows is read as directions",
       "*  Export  *\n\nTea\n--------\nBoil water.\n", "\"name\":\"Tea\"," + steps("Boil water.")},
      {"a time that is not H:MM is a comment; the second yield too",
       column("Serving Size : 2   Preparation Time : about 1 hour\n", "\nYield:\n  \"1 pot\"\n"),
       "\"name\":\"Tapas\",\"recipeYield\":\"2\",\"comment\":["
       "{\"@type\":\"Comment\",\"name\":\"Preparation Time\",\"text\":\"about 1 hour\"},"
       "{\"@type\":\"Comment\",\"name\":\"Yield\",\"text\":\"1 pot\"}]"},
      {"a row out of its columns is kept whole; a row under a heading does not continue it",
       column("", "1 1/2-2 cups  olives\n          For the dip:\n                        garlic\n"),
       "\"name\":\"Tapas\",\"recipeIngredient\":[\"1 1/2-2 cups olives\",\"For the dip:\","
       "\"garlic\"]"},
      {"a continuation with nothing to continue, and text after the closing line, are kept",
       labelled("\n" + std::string(40, ' ') + "           -olives\n\nMMMMM\nServe.\n"),
       "\"name\":\"Tapas\",\"recipeIngredient\":[\"-olives\"]," + steps("Serve.")},
      {"only five copies of a letter close the recipe; six are text",
       labelled("\n      1    Lemon\n\nServe.\nZZZZZZ\n"),
       "\"name\":\"Tapas\",\"recipeIngredient\":[\"1 Lemon\"]," + steps("Serve. ZZZZZZ")},
  };
  for (const ReadingCase& c : cases) {
    SCOPED_TRACE(c.what);
    MemorySource pieces(c.input, 5);
    for (const Exported& exported : {export_json(c.input), export_json(pieces)}) {
      EXPECT_EQ(exported.output, kHead + c.expected + "}\n");
      EXPECT_EQ(exported.result.conversion.records, 1);
    }
  }
}

// Text that does not fit is cut at a character boundary and the recipe is counted; every line
// stays a valid object with its name, and the recipes that fit are written whole.
TEST(StructuredExport, CutsARecipeThatOverflowsItsStoresAndCountsIt) {
  const std::string input =
      read_file(fs::path(MIRTABEL_STRUCTURED_DATA_DIR) / "labelled-windows-1252.mxp");
  const std::string whole = export_json(input).output;
  // Every text store size up to roomy, so that some cut falls inside each multi-byte character.
  std::vector<std::pair<std::size_t, std::size_t>> sizes;
  for (std::size_t text = 0; text <= 700; ++text)
    sizes.emplace_back(text, 40);
  for (std::size_t items = 0; items <= 20; ++items)
    sizes.emplace_back(1024, items);
  for (const auto& [text, items] : sizes) {
    SCOPED_TRACE("text " + std::to_string(text) + ", items " + std::to_string(items));
    const Exported cut = export_json(input, text, items);
    ASSERT_EQ(check_json_lines(cut.output, 3), "");
    ASSERT_EQ(cut.output.find("\xEF\xBF\xBD"), std::string::npos) << "a character was split";
    ASSERT_EQ(cut.result.cut_recipes == 0, cut.output == whole);
    if (text < 200 || items < 16) {
      ASSERT_GT(cut.result.cut_recipes, 0);
    }
  }
  EXPECT_EQ(export_json(input, 1024, 20).result.cut_recipes, 0);
}

TEST(StructuredExport, ReportsAFailedReadOrWriteAndKeepsWholeLinesBeforeIt) {
  const std::string input =
      read_file(fs::path(MIRTABEL_STRUCTURED_DATA_DIR) / "column-crlf-windows-1252.mxp");
  const std::string whole = export_json(input).output;
  for (const std::size_t limit : {std::size_t{0}, std::size_t{1000}, whole.size() - 1}) {
    MemorySource source(input, 7);
    MemorySink sink;
    sink.fail_after(limit, ENOSPC);
    const Exported failed = export_json(source, 1 << 20, 4096, sink);
    EXPECT_EQ(failed.result.conversion.error, ENOSPC);
    EXPECT_EQ(failed.result.conversion.failed_file, FailedFile::kOutput);
    EXPECT_EQ(whole.compare(0, failed.output.size(), failed.output), 0);
  }
  MemorySource source(input, 7);
  source.fail_at(input.size() - 100, EIO);
  const Exported failed = export_json(source);
  EXPECT_EQ(failed.result.conversion.error, EIO);
  EXPECT_EQ(failed.result.conversion.failed_file, FailedFile::kInput);
  EXPECT_EQ(failed.output, whole.substr(0, whole.rfind('\n', whole.size() - 2) + 1));
  EXPECT_EQ(failed.result.conversion.records, 2);
}

TEST(JsonWriter, WritesValidUtf8WhateverTheBytes) {
  MemorySink sink;
  JsonWriter json(sink);
  json.begin_array();
  json.string(
      "caf\xC3\xA9 \xE9\xFF\xC3 \xF0\x9F\x8D\xB0\x7F\xC2\x85\xC2\xA0\xE2\x80\xA8\xE2\x80\xA9");
  json.string("1/2 cup \"mild\"");  // a quote in the last eight bytes, after eight plain ones
  json.begin_object();
  json.key("\"");
  json.string("\r\b\t");
  json.end_object();
  json.end_array();
  json.end_line();
  EXPECT_EQ(json.flush(), 0);
  EXPECT_EQ(sink.text(),
            "[\"caf\xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xF0\x9F\x8D\xB0"
            "\\u007f\\u0085\xC2\xA0\\u2028\\u2029\",\"1/2 cup \\\"mild\\\"\","
            "{\"\\\"\":\"\\u000d\\u0008\\t\"}]\n");
}

}  // namespace
}  // namespace mirtabel::testing
