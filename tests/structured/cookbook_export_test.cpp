// The cookbook export as the library writes it: the contents and the articles agree with the JSON
// export recipe for recipe, however the input arrives; a second reading that differs from the
// first, and a failed write, stop it; text is escaped. The third-party checks of its HTML are in
// tests/html/.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "recipes/convert_mxp_to_html.h"
#include "recipes/html_writer.h"
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

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// The JSON-LD of every article, one after the other.
std::string scripts(const std::string& html) {
  const std::string open = "<script type=\"application/ld+json\">";
  std::string found;
  for (std::size_t at = html.find(open); at != std::string::npos; at = html.find(open, at)) {
    at += open.size();
    found += html.substr(at, html.find("</script>", at) - at);
  }
  return found;
}

// The JSON Lines with each recipe's categories as one text, the categories separated by commas:
// the form search engines ask of a page's JSON-LD.
std::string with_categories_as_text(const std::string& json_lines) {
  std::string out;
  const std::string key = "\"recipeCategory\":[";
  std::size_t from = 0;
  for (std::size_t at; (at = json_lines.find(key, from)) != std::string::npos;) {
    const std::size_t end = json_lines.find(']', at);
    std::string list = json_lines.substr(at + key.size(), end - at - key.size());
    for (std::size_t comma; (comma = list.find("\",\"")) != std::string::npos;)
      list.replace(comma, 3, ", ");
    out += json_lines.substr(from, at - from) + "\"recipeCategory\":" + list;
    from = end + 1;
  }
  return out + json_lines.substr(from);
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
    EXPECT_NE(json_sink.text().find("\"recipeCategory\":[\""), std::string::npos);
    EXPECT_EQ(scripts(cookbook.html), with_categories_as_text(json_sink.text()));
    EXPECT_EQ(count(cookbook.html, "<li><a href=\"#recipe-"), 3u);
    EXPECT_EQ(count(cookbook.html, "<article id=\"recipe-"), 3u);
    EXPECT_EQ(count(cookbook.html, "<title>Tapas &amp; co</title>"), 1u);
    EXPECT_EQ(cookbook.html.substr(cookbook.html.size() - 8), "</html>\n");
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

TEST(HtmlWriter, EscapesMarkupAndReplacesWhatHtmlForbids) {
  MemorySink sink;
  HtmlWriter html(sink);
  html.text(
      "<a title=\"x\">&</a> \x01\t\x7F\xC2\x85\xEF\xB7\x90\xF4\x8F\xBF\xBF\xFF caf\xC3\xA9\r\n");
  EXPECT_EQ(html.flush(), 0);
  const std::string replaced = "\xEF\xBF\xBD";
  EXPECT_EQ(sink.text(), "&lt;a title=&quot;x&quot;&gt;&amp;&lt;/a&gt; " + replaced + "\t" +
                             replaced + replaced + replaced + replaced + replaced +
                             " caf\xC3\xA9\r\n");
}

}  // namespace
}  // namespace mirtabel::testing
