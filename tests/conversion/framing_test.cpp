// Framing: the marker line, the lines that start a recipe, the title field, the body limit and
// the line reader's cut of long lines. The recipes use the column layout (title line, rule of
// hyphens, body).
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "convert/convert_mxp.h"
#include "convert/marker_scan.h"
#include "convert/substring_search.h"
#include "tests/conversion/conversion_case.h"
#include "tests/support/memory_streams.h"

namespace mirtabel::testing {
namespace {

const std::string kRule = "--------";

// A column-layout recipe: its title line, a rule and the body lines.
std::string recipe(const std::string& title_line, std::initializer_list<std::string> body) {
  return lines({kMark, "", title_line, kRule}) + lines(body);
}

// A recipe whose two body lines of `first` and `second` characters (of `c`) give a body of
// 12 + first + second characters, then another recipe. When the body is over the limit, one more
// line follows the long one: it must not reach the output either.
ConversionCase body_limit_case(const std::string& name, const std::string& c, std::size_t first,
                               std::size_t second) {
  const std::string a = wide_text(c, first);
  const std::string b = wide_text(c, second);
  const bool written = 12 + first + second <= 9500;
  const std::string big = written ? recipe("Big", {a, b}) : recipe("Big", {a, b, "after it"});
  return {name, big + recipe("Tea", {"Boil water."}),
          (written ? record("Big", "[PAGE]" + a + "[PAGE]" + b) : "") +
              record("Tea", "[PAGE]Boil water."),
          written ? 2 : 1};
}

std::vector<ConversionCase> framing_cases() {
  const std::string digits150 = repeat("0123456789", 15);
  const std::string long_mark = repeat("M", 1500);
  const std::string a4999(4999, 'a');
  std::string fifty_recipes;
  std::string fifty_records;
  for (int i = 0; i < 50; ++i) {
    fifty_recipes += recipe("Recipe " + std::to_string(i), {"Step " + std::to_string(i)});
    fifty_records += record("Recipe " + std::to_string(i), "[PAGE]Step " + std::to_string(i));
  }
  return {
      {"empty_input", "", "", 0},
      {"only_the_marker_line", lines({kMark}), "", 0},
      {"marker_line_without_line_feed", kMark, "", 0},
      {"marker_and_one_line", lines({kMark, ""}), "", 0},
      {"marker_at_a_line_end_starts_a_recipe_not_at_its_start_or_middle",
       recipe("Tea", {"Boil water."}) + lines({"xx" + kMark, "", "Coffee", kRule, "Brew.",
                                               kMark + " yy", "a" + kMark + "b", "Stir."}),
       record("Tea", "[PAGE]Boil water.") +
           record("Coffee", "[PAGE]Brew.[PAGE]" + kMark + " yy[PAGE]a" + kMark + "b[PAGE]Stir."),
       2},
      {"marker_test_is_case_sensitive", recipe("Tea", {"== recipe export ==", "Boil water."}),
       record("Tea", "[PAGE]== recipe export ==[PAGE]Boil water."), 1},
      // With an empty first line the marker line is a line feed alone: every line that ends in
      // one starts a recipe, and only a last line without a line feed is body text.
      {"empty_first_line_makes_every_line_with_a_line_feed_a_marker",
       lines({"", "skipped", "Tea", kRule, "Boil.", "skipped", "Coffee", "header", kRule}) +
           "last line without a line feed",
       record("Tea", "") + record("skipped", "") + record("--------", ""), 3},
      {"title_of_9_characters", recipe("Apple Pie", {"x"}),
       "Apple Pie" + std::string(91, ' ') + "[PAGE]x\n", 1},
      {"title_of_150_characters_keeps_its_first_100", recipe(digits150, {"x"}),
       digits150.substr(0, 100) + "[PAGE]x\n", 1},
      {"title_of_101_characters_drops_the_last", recipe(std::string(100, 'a') + "Z", {"x"}),
       std::string(100, 'a') + "[PAGE]x\n", 1},
      {"empty_title", recipe("", {"x"}), std::string(100, ' ') + "[PAGE]x\n", 1},
      {"non_ascii_title_is_cut_at_100_characters_not_bytes", recipe(repeat("é", 150), {"x"}),
       repeat("é", 100) + "[PAGE]x\n", 1},
      {"title_of_3_and_4_byte_characters_is_cut_at_100_characters",
       recipe(repeat("€", 60) + repeat("😀", 60), {"x"}),
       repeat("€", 60) + repeat("😀", 40 / kWideUnitsOf4Bytes) + "[PAGE]x\n", 1},
      {"title_of_99_ascii_and_a_2_byte_character_keeps_it",
       recipe(std::string(99, 'a') + "éz", {"x"}), std::string(99, 'a') + "é[PAGE]x\n", 1},
      // Where wchar_t has 16 bits the last place cannot take half a surrogate pair: a space.
      {"title_of_99_ascii_and_a_4_byte_character_never_splits_a_pair",
       recipe(std::string(99, 'a') + "😀z", {"x"}),
       std::string(99, 'a') + (kWideUnitsOf4Bytes == 2 ? " " : "😀") + "[PAGE]x\n", 1},
      body_limit_case("body_of_exactly_9500_characters_is_written", "a", 4744, 4744),
      body_limit_case("body_of_9501_characters_is_dropped_and_the_next_recipe_kept", "a", 4744,
                      4745),
      body_limit_case("body_limit_counts_2_byte_characters", "é", 4744, 4744),
      body_limit_case("body_over_limit_in_2_byte_characters_is_dropped", "é", 4744, 4745),
      body_limit_case("body_limit_counts_4_byte_characters", "😀", 4744, 4744),
      body_limit_case("body_over_limit_in_4_byte_characters_is_dropped", "😀", 4744, 4745),
      // The third line alone would not fit in the body's store had it been kept.
      {"overlong_append_of_4_byte_characters_is_dropped",
       recipe("Big", {wide_text("😀", 4744), wide_text("😀", 4744), wide_text("😀", 4998)}) +
           recipe("Tea", {"Boil water."}),
       record("Tea", "[PAGE]Boil water."), 1},
      {"dropped_last_recipe_writes_nothing",
       recipe("Big", {std::string(4744, 'a'), std::string(4745, 'b')}), "", 0},
      // 6,000 characters and a line feed: 4,999 characters (kept whole, there is no line feed to
      // drop), then the last 1,001 with the line feed.
      {"line_of_6000_characters_is_read_as_two_lines",
       recipe("Long", {std::string(4999, 'a') + std::string(1001, 'b'), "end"}),
       record("Long",
              "[PAGE]" + std::string(4999, 'a') + "[PAGE]" + std::string(1001, 'b') + "[PAGE]end"),
       1},
      {"line_of_6000_non_ascii_characters_is_cut_after_4999_characters",
       recipe("Long", {repeat("é", 4999) + repeat("ü", 1001)}),
       record("Long", "[PAGE]" + repeat("é", 4999) + "[PAGE]" + repeat("ü", 1001)), 1},
      {"marker_text_after_the_4999th_character_starts_a_recipe",
       recipe("Tea", {std::string(4999, 'x') + kMark, "", "Coffee", kRule, "Brew."}),
       record("Tea", "[PAGE]" + std::string(4999, 'x')) + record("Coffee", "[PAGE]Brew."), 2},
      {"record_count_equals_line_feeds_written", fifty_recipes, fifty_records, 50},
      // A marker line longer than 999 characters is held whole: lines holding only its first
      // 999 or 1,000 characters do not start a recipe.
      {"first_line_longer_than_999_characters_is_the_marker",
       lines({long_mark, "", "Tea", kRule, repeat("M", 999), repeat("M", 1000) + "x",
              "x" + long_mark, "", "Coffee", kRule, "Brew."}),
       record("Tea", "[PAGE]" + repeat("M", 999) + "[PAGE]" + repeat("M", 1000) + "x") +
           record("Coffee", "[PAGE]Brew."),
       2},
      // A first line of 5,000 characters is read as 4,999 without a line feed: that is the
      // marker, and a line starts a recipe only where it holds all of it. The lines of 4,999
      // characters that miss it by one byte are read without their line feed too.
      {"first_line_read_without_its_line_feed_is_found_only_whole",
       lines({a4999 + "a", "Tea", kRule, std::string(2000, 'a') + "b" + std::string(2998, 'a'),
              a4999, "Coffee", kRule, std::string(4998, 'a'), a4999, "Pie", kRule,
              std::string(4998, 'a') + "b"}),
       record("Tea", "[PAGE]" + std::string(2000, 'a') + "b" + std::string(2998, 'a') + "[PAGE]") +
           record("Coffee", "[PAGE]" + std::string(4998, 'a')) +
           record("Pie", "[PAGE]" + std::string(4998, 'a') + "b[PAGE]"),
       3},
  };
}

INSTANTIATE_TEST_SUITE_P(Framing, ConversionTest, ::testing::ValuesIn(framing_cases()), case_name);

// A listener is handed each framed recipe as it stood: the title line with the layout's title
// start, then every line up to the marker line of the next recipe (a line longer than a read in
// pieces, each after the first told whether white space stands at its cut), and at its end the
// recipes before it and its place: from the line after its marker line to where the next marker
// line starts, or the input's end. Nothing is written, and a recipe over the body limit is framed
// like any other.
TEST(RecipeListener, ReceivesEveryRecipeLineByLine) {
  struct Events final : RecipeListener {
    std::string log;
    void recipe_started(LayoutKind layout, const TextLine& title_line,
                        std::size_t title_start) noexcept override {
      const std::string line(reinterpret_cast<const char*>(title_line.bytes), title_line.size);
      log += layout == LayoutKind::kColumn ? "column:" : "labelled:";
      log += title_start == TitleField::kNoStart ? "-" : line.substr(title_start);
    }
    void recipe_line(const TextLine& line, LinePiece piece) noexcept override {
      log += piece == LinePiece::kLine ? "|" : piece == LinePiece::kJoined ? "+" : "_";
      log += std::string(reinterpret_cast<const char*>(line.bytes), line.size);
    }
    int recipe_ended(const RecipePlace& place, std::int32_t recipes_before) noexcept override {
      log += "#" + std::to_string(recipes_before) + "@" + std::to_string(place.begin) + "-" +
             std::to_string(place.end) + "\n";
      return 0;
    }
  };
  const std::string long_line(5000, 'y');
  const std::string spaced_cut = std::string(4998, 'y') + " y";
  const struct {
    std::string input;
    std::string events;
    std::int32_t recipes;
  } cases[] = {
      {recipe("  Tea", {"Boil.", ""}) + "\n" + recipe("Big", {long_line, spaced_cut}),
       "column:Tea\n|" + kRule + "\n|Boil.\n|\n|\n#0@20-44\ncolumn:Big\n|" + kRule + "\n|" +
           long_line.substr(0, 4999) + "+y\n|" + spaced_cut.substr(0, 4999) + "_y\n#1@64-10080\n",
       2},
      {lines({kMark, "", "Title: Soup", "Yield: 2", "", "1 leek", "", "Cook", kMark, "", "x:"}),
       "labelled:Soup\n|Yield: 2\n|\n|1 leek\n|\n|Cook\n#0@20-56\nlabelled:#1@76-80\n", 2},
  };
  for (const auto& c : cases) {
    Events events;
    MemorySource source(c.input, 3);
    MemorySink sink;
    ConversionOptions options;
    options.listener = &events;
    const ConversionResult result = convert_mxp(source, sink, options);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.records, c.recipes);
    EXPECT_EQ(events.log, c.events);
    EXPECT_EQ(sink.text(), "");
  }
}

// A marker given: lines before its first occurrence are skipped; exact, a line must end with it,
// and lines that are it but for spacing are counted; with spacing ignored, those start recipes.
// The scan of an input's start finds the line that opens its recipes, of either layout.
TEST(GivenMarker, SkipsTheLinesBeforeItAndCountsOrTakesLinesButForSpacing) {
  const std::string spaced = "  ==  RECIPE\tEXPORT == ";
  const std::string two = recipe("Tea", {"Boil."}) + lines({spaced, "", "Soup", kRule, "Stir."});
  const std::string tea = record("Tea", "[PAGE]Boil.");
  const struct {
    std::string input;
    bool spacing_ignored;
    std::string expected;
    std::uint32_t but_for_spacing;
  } rows[] = {
      {lines({"", "Preface", "xx" + kMark}) + lines({"", "Tea", kRule, "Boil."}), false, tea, 0},
      {two, false,
       record("Tea",
              "[PAGE]Boil.[PAGE]" + spaced + "[PAGE][PAGE]Soup[PAGE]" + kRule + "[PAGE]Stir."),
       1},
      {two, true, tea + record("Soup", "[PAGE]Stir."), 0},
      {recipe("Tea", {"Boil."}) + lines({"== RECIPE  EXPORT ==", "Stir."}), false,
       record("Tea", "[PAGE]Boil.[PAGE]== RECIPE  EXPORT ==[PAGE]Stir."), 1},
      {lines({"Preface"}), true, "", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    MemorySource source(row.input);
    MemorySink sink;
    ConversionOptions options;
    options.marker = kMark.c_str();
    options.marker_size = kMark.size();
    options.marker_spacing_ignored = row.spacing_ignored;
    char used[8];
    options.marker_used = used;
    options.marker_used_room = sizeof used;
    const ConversionResult result = convert_mxp(source, sink, options);
    EXPECT_EQ(sink.text(), row.expected);
    EXPECT_EQ(result.lines_but_for_spacing, row.but_for_spacing);
    if (!row.expected.empty()) {
      EXPECT_STREQ(used, "== RECI");  // cut to its room
    }
  }
  const std::string labelled = lines({"MMMMM", "", " Title: Soup", "", "Cook", "MMMMM"});
  const struct {
    std::string input;
    const char* text;
    std::uint64_t line;
    std::uint32_t count;
  } scans[] = {
      {lines({"", "About these recipes", "", "* Export *", "", "Tea", "By: me", kRule, "Boil.",
              "* Export *", "", "Soup", "", "By: me", kRule}),
       "* Export *", 4, 2},
      {lines({"Garbage", ""}) + labelled, "MMMMM", 3, 1},
      {lines({std::string(12000, 'x'), ""}) + labelled, "MMMMM", 3, 1},  // one line, in pieces
      {lines({"Dear John,", "how are you?"}), "", 0, 0},
  };
  for (const auto& scan : scans) {
    SCOPED_TRACE(scan.input);
    const MarkerScan found = scan_markers(reinterpret_cast<const unsigned char*>(scan.input.data()),
                                          scan.input.size(), InputEncoding::kUtf8);
    EXPECT_EQ(found.found, scan.line != 0);
    EXPECT_STREQ(found.text, scan.text);
    EXPECT_EQ(found.line, scan.line);
    EXPECT_EQ(found.count, scan.count);
  }
}

// The marker test's search where the C library has no linear one: every needle of up to 6 bytes
// over {a, b} in every haystack of up to 10 bytes, and random ones over {a, b, c} of up to 40,
// give the first occurrence that std::search finds.
TEST(MarkerSearch, TwoWayFindsTheFirstOccurrence) {
  const auto check = [](const std::string& haystack, const std::string& needle) {
    const auto* y = reinterpret_cast<const unsigned char*>(haystack.data());
    const auto* x = reinterpret_cast<const unsigned char*>(needle.data());
    const auto expected = std::search(y, y + haystack.size(), x, x + needle.size());
    const unsigned char* found = find_two_way(y, haystack.size(), x, needle.size());
    const std::ptrdiff_t at = found == nullptr ? -1 : found - y;
    const std::ptrdiff_t expected_at =
        expected == y + haystack.size() && !needle.empty() ? -1 : expected - y;
    return at == expected_at ? ::testing::AssertionSuccess()
                             : ::testing::AssertionFailure()
                                   << "\"" << needle << "\" in \"" << haystack << "\": " << at
                                   << ", not " << expected_at;
  };
  std::vector<std::string> words{""};  // every word over {a, b} of up to 10 letters
  for (std::size_t i = 0; words[i].size() < 10; ++i) {
    words.push_back(words[i] + 'a');
    words.push_back(words[i] + 'b');
  }
  for (const std::string& needle : words) {
    if (needle.size() > 6) break;
    for (const std::string& haystack : words)
      ASSERT_TRUE(check(haystack, needle));
  }
  std::mt19937 random(17);
  for (int i = 0; i < 20000; ++i) {
    std::string haystack(random() % 41, 'a');
    std::string needle(1 + random() % 12, 'a');
    for (char& c : haystack)
      c = static_cast<char>('a' + random() % 3);
    for (char& c : needle)
      c = static_cast<char>('a' + random() % 3);
    // Plant the needle, often with a byte changed, so that near misses are common.
    if (needle.size() <= haystack.size() && random() % 2 == 0) {
      const std::size_t at = random() % (haystack.size() - needle.size() + 1);
      haystack.replace(at, needle.size(), needle);
      if (random() % 2 == 0) haystack[at + random() % needle.size()] = 'c';
    }
    ASSERT_TRUE(check(haystack, needle));
  }
}

}  // namespace
}  // namespace mirtabel::testing
