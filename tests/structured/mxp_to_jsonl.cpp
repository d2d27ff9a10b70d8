// Converts one MXP file to JSON Lines on standard output through convert_mxp_to_json, for the
// tests that check the output with a real JSON parser. Usage:
//   mxp_to_jsonl FILE [TEXT_BYTES ITEMS]
// The optional sizes of the per-recipe stores default to the roomy ones. Prints
// "RECORDS CUT" on standard error.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "recipes/convert_mxp_to_json.h"
#include "tests/support/memory_streams.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s FILE [TEXT_BYTES ITEMS]\n", argv[0]);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::string input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) {
    std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
    return 1;
  }
  using mirtabel::kRoomyRecipeItemCount;
  using mirtabel::kRoomyRecipeTextSize;
  std::vector<unsigned char> text(argc == 4 ? std::strtoul(argv[2], nullptr, 10)
                                            : kRoomyRecipeTextSize);
  std::vector<mirtabel::RecipeItem> items(argc == 4 ? std::strtoul(argv[3], nullptr, 10)
                                                    : kRoomyRecipeItemCount);
  mirtabel::testing::MemorySource source(std::move(input));
  mirtabel::testing::MemorySink sink;
  const mirtabel::JsonExportResult result = mirtabel::convert_mxp_to_json(
      source, sink, {}, {text.data(), text.size(), items.data(), items.size()});
  std::fwrite(sink.text().data(), 1, sink.text().size(), stdout);
  std::fprintf(stderr, "%d %d\n", static_cast<int>(result.conversion.records),
               static_cast<int>(result.cut_recipes));
  return result.conversion.error == 0 ? 0 : 1;
}
