// The structured export's fuzz target: converts each input to JSON Lines in memory and aborts,
// saying why, unless every recipe framed became one valid JSON object with its "@type" and
// "name"; with roomy stores and with stores so small that most recipes are cut, and with the
// input in whole and in pieces. With roomy stores, no word of a recipe's text may be lost
// (tests/support/nothing_lost_check.h). The cookbook of each input must be whole, valid HTML text
// and hold those objects byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/record_builder.h"
#include "fuzz/conversion_checks.h"
#include "recipes/convert_mxp_to_html.h"
#include "recipes/convert_mxp_to_json.h"
#include "tests/support/cookbook_check.h"
#include "tests/support/json_lines_check.h"
#include "tests/support/memory_streams.h"
#include "tests/support/nothing_lost_check.h"

namespace {

struct Exported {
  std::string output;
  mirtabel::JsonExportResult result;
};

// The lines of each recipe are decoded in the output buffer, whose capacity the input chooses.
mirtabel::ConversionOptions options_for(const std::string& input) {
  mirtabel::ConversionOptions options;
  options.output_capacity = mirtabel::RecordBuilder::kLineRoom +
                            mirtabel::fuzzing::input_turn(input) * 7919 % (2 * input.size() + 1);
  return options;
}

Exported export_json(const std::string& input, std::size_t text_size, std::size_t item_count,
                     std::size_t max_piece = static_cast<std::size_t>(-1)) {
  std::vector<unsigned char> text(text_size);
  std::vector<mirtabel::RecipeItem> items(item_count);
  mirtabel::testing::MemorySource source(input, max_piece);
  mirtabel::testing::MemorySink sink;
  const mirtabel::JsonExportResult result = mirtabel::convert_mxp_to_json(
      source, sink, options_for(input), {text.data(), text.size(), items.data(), items.size()});
  return {sink.text(), result};
}

Exported export_html(const std::string& input, std::size_t text_size, std::size_t item_count) {
  std::vector<unsigned char> text(text_size);
  std::vector<mirtabel::RecipeItem> items(item_count);
  mirtabel::testing::MemorySource source(input), again(input);
  mirtabel::testing::MemorySink sink;
  const mirtabel::JsonExportResult result =
      mirtabel::convert_mxp_to_html(source, again, sink, options_for(input),
                                    {text.data(), text.size(), items.data(), items.size()}, "");
  return {sink.text(), result};
}

// What is wrong with the cookbook written with these stores, beside the JSON Lines they gave.
std::string find_cookbook_violation(const std::string& input, std::size_t text_size,
                                    std::size_t item_count, const Exported& json) {
  const Exported html = export_html(input, text_size, item_count);
  if (html.result.conversion.error != 0)
    return "the cookbook failed with errno " + std::to_string(html.result.conversion.error);
  if (html.result.conversion.records != json.result.conversion.records ||
      html.result.cut_recipes != json.result.cut_recipes) {
    return "the cookbook counted other recipes than the JSON export";
  }
  return mirtabel::testing::check_cookbook(html.output, json.result.conversion.records,
                                           json.output);
}

std::string find_violation(const std::string& input) {
  // Roomy stores hold the whole of any input the fuzzer makes.
  const std::size_t roomy_text = 4 * input.size() + 64, roomy_items = input.size() + 8;
  const Exported roomy = export_json(input, roomy_text, roomy_items);
  const mirtabel::ConversionResult& conversion = roomy.result.conversion;
  if (conversion.error != 0)
    return "the export failed with errno " + std::to_string(conversion.error);
  if (roomy.result.cut_recipes != 0) return "a recipe was cut with roomy stores";
  if (std::string problem = mirtabel::testing::check_json_lines(roomy.output, conversion.records);
      !problem.empty()) {
    return problem;
  }
  // Every word of each recipe's text is in its object, where the input frames as the check
  // frames it.
  if (std::vector<std::string> lost;
      mirtabel::testing::find_lost_words(input, roomy.output, lost) && !lost.empty()) {
    return "nothing lost: " + lost.front();
  }
  if (export_json(input, roomy_text, roomy_items, 2 + input.size() % 7).output != roomy.output) {
    return "input in pieces gave a different output";
  }
  if (std::string problem = find_cookbook_violation(input, roomy_text, roomy_items, roomy);
      !problem.empty()) {
    return problem;
  }
  const std::size_t tiny_text = input.size() % 61, tiny_items = input.size() % 11;
  const Exported tiny = export_json(input, tiny_text, tiny_items);
  if (tiny.result.conversion.records != conversion.records)
    return "tiny stores changed the count of recipes";
  if (tiny.result.cut_recipes > conversion.records) return "more recipes cut than written";
  if (std::string problem = mirtabel::testing::check_json_lines(tiny.output, conversion.records);
      !problem.empty()) {
    return "with tiny stores, " + problem;
  }
  if (std::string problem = find_cookbook_violation(input, tiny_text, tiny_items, tiny);
      !problem.empty()) {
    return "with tiny stores, " + problem;
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string problem = find_violation(input);
  if (!problem.empty()) {
    std::fprintf(stderr, "JSON export check failed on %zu input bytes: %s\n", size,
                 problem.c_str());
    std::abort();
  }
  return 0;
}
