// The cookbook export as the library writes it: the contents and the articles agree with the JSON
// export recipe for recipe, however the input arrives, and each article shows what its JSON-LD
// gives; a second reading that differs from the first, and a failed write, stop it; text is
// escaped. The third-party checks of its HTML are in tests/html/.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "recipes/convert_mxp_to_html.h"
#include "recipes/html_writer.h"
#include "tests/support/cookbook_check.h"
#include "tests/support/memory_streams.h"

namespace mirtabel::testing {
namespace {

struct Cookbook {
  std::string html;
  JsonExportResult result;
};

Cookbook export_html(MemorySource& input, MemorySource& again, MemorySink sink = {}) {
  std::vector<unsigned char> text(1 << 20);
  std::vector<RecipeItem> items(4096);
  const JsonExportResult result = convert_mxp_to_html(
      input, again, sink, {}, {text.data(), text.size(), items.data(), items.size()}, "Tapas & co");
  return {sink.text(), result};
}

std::string sample() {
  std::ifstream in(
      std::filesystem::path(MIRTABEL_STRUCTURED_DATA_DIR) / "labelled-windows-1252.mxp",
      std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CookbookExport, HoldsTheJsonExportRecipeForRecipeInEitherReading) {
  const std::string input = sample();
  MemorySource json_input(input);
  MemorySink json_sink;
  std::vector<unsigned char> text(1 << 20);
  std::vector<RecipeItem> items(4096);
  const JsonExportResult json = convert_mxp_to_json(
      json_input, json_sink, {}, {text.data(), text.size(), items.data(), items.size()});
  ASSERT_EQ(json.conversion.records, 3);
  MemorySource whole(input), again(input), pieces(input, 3), again_in_pieces(input, 5);
  for (const Cookbook& cookbook :
       {export_html(whole, again), export_html(pieces, again_in_pieces)}) {
    EXPECT_EQ(cookbook.result.conversion.error, 0);
    EXPECT_EQ(cookbook.result.conversion.records, 3);
    EXPECT_EQ(cookbook.result.conversion.bytes_written, cookbook.html.size());
    EXPECT_EQ(check_cookbook(cookbook.html, 3, json_sink.text()), "");
    EXPECT_EQ(count_of(cookbook.html, "<title>Tapas &amp; co</title>"), 1u);
  }
}

TEST(CookbookExport, StopsAtASecondReadingThatDiffersOrAFailedWrite) {
  const std::string input = sample();
  MemorySource first(input), shorter(input.substr(0, input.size() / 2));
  const Cookbook differs = export_html(first, shorter);
  EXPECT_EQ(differs.result.conversion.error, EIO);
  EXPECT_EQ(differs.result.conversion.failed_file, FailedFile::kInput);
  EXPECT_EQ(differs.html.find("</html>"), std::string::npos);

  for (const std::size_t limit : {std::size_t{0}, std::size_t{3000}}) {
    MemorySource input_again(input), again(input);
    MemorySink sink;
    sink.fail_after(limit, ENOSPC);
    const Cookbook failed = export_html(input_again, again, sink);
    EXPECT_EQ(failed.result.conversion.error, ENOSPC);
    EXPECT_EQ(failed.result.conversion.failed_file, FailedFile::kOutput);
  }
}

Cookbook export_html(const std::string& input) {
  MemorySource first(input), again(input);
  return export_html(first, again);
}

// What an article shows beside what its JSON-LD says. A time is shown and given from the same
// minutes, rounded to the minute, up to 1,000 hours; any other text is shown as written and is a
// comment. The steps are numbered on across the sections.
TEST(CookbookExport, ShowsEachPartAsItsJsonLdGivesIt) {
  struct ArticleCase {
    std::string header;  // the lines between the title and the rule
    std::string body;
    std::string shown;  // in the article
    std::string json;   // in its JSON-LD
  };
  const auto time = [](const std::string& written, const std::string& shown,
                       const std::string& duration) {
    const std::string comment =
        "{\"@type\":\"Comment\",\"name\":\"Preparation Time\",\"text\":\"" + written + "\"}";
    return ArticleCase{"Preparation Time : " + written + "\n", "Stir.\n",
                       "<dt>Preparation</dt><dd>" + shown + "</dd>",
                       duration.empty() ? comment : "\"prepTime\":\"" + duration + "\","};
  };
  const auto not_a_time = [&](const std::string& written) { return time(written, written, ""); };
  std::string many_terms = "999999.999999 1/1 hours";
  for (int i = 1; i < 200; ++i)
    many_terms += " 999999.999999 1/1 hours";
  const ArticleCase cases[] = {
      time("1:30", "1 h 30 min", "PT1H30M"),
      time("2 1/2 minutes", "3 min", "PT3M"),
      time("1 1/2 hours and 20 min", "1 h 50 min", "PT1H50M"),
      time("0.25 hours", "15 min", "PT15M"),
      time("1000 hours", "1000 h", "PT1000H"),
      time("999:59", "999 h 59 min", "PT999H59M"),
      not_a_time("1000 hours 1 minute"),
      not_a_time("1000:01"),
      not_a_time("2148.000001 hours"),
      not_a_time("999999.999999 1/1 hours"),
      not_a_time("999999.999999 999999.999999 hours"),
      not_a_time("999999 999999/1 hours"),
      not_a_time(many_terms),
      not_a_time("1/0 hours"),
      {"", "Warm the milk.\n\nBasting Sauce:\nMelt the butter.\n",
       "<h4>Basting Sauce</h4>\n<ol start=\"2\">\n<li>Melt the butter.</li>",
       "{\"@type\":\"HowToSection\",\"name\":\"Basting Sauce\",\"itemListElement\":[{"},
  };
  for (const ArticleCase& c : cases) {
    SCOPED_TRACE(c.header + c.body);
    const Cookbook cookbook =
        export_html("*  Export  *\n\nTapas\n" + c.header + "--------\n" + c.body);
    ASSERT_EQ(cookbook.result.conversion.error, 0);
    EXPECT_NE(cookbook.html.find(c.shown), std::string::npos)
        << cookbook.html.substr(cookbook.html.find("<article"));
    EXPECT_NE(json_ld_of(cookbook.html).find(c.json), std::string::npos)
        << json_ld_of(cookbook.html);
  }
}

TEST(HtmlWriter, EscapesMarkupAndReplacesWhatHtmlForbids) {
  MemorySink sink;
  HtmlWriter html(sink);
  html.text(
      "<a title=\"x\">&</a> \x01\t\x7F\xC2\x85\xEF\xB7\x90\xF4\x8F\xBF\xBF\xFF "
      "caf\xC3\xA9\xC2\xA0\r\n");
  EXPECT_EQ(html.flush(), 0);
  const std::string replaced = "\xEF\xBF\xBD";
  EXPECT_EQ(sink.text(), "&lt;a title=&quot;x&quot;&gt;&amp;&lt;/a&gt; " + replaced + "\t" +
                             replaced + replaced + replaced + replaced + replaced +
                             " caf\xC3\xA9\xC2\xA0\r\n");
}

}  // namespace
}  // namespace mirtabel::testing
