// How often each rule of the reading's tables (header, ingredient rows and entries,
// directions) fires on the archives named, the reading's coverage report over real recipes. Usage:
//   rule_coverage FILE...
// Prints "COUNT RULE" for every rule, in the table's order, and exits 1 when one fires on
// none of the files: such a rule serves no pattern that real recipes show.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "convert/convert_mxp.h"
#include "recipes/structured_listener.h"
#include "tests/support/memory_streams.h"

namespace {

using namespace mirtabel;

struct Counts final : RuleCounts {
  std::map<std::string, long, std::less<>> fired;
  void add(std::string_view rule) noexcept override { ++fired[std::string(rule)]; }
};

// Reads every recipe the framing hands over, counting the rules, and writes nothing.
class CountingReader final : public StructuredListener {
 public:
  CountingReader(const StructuredRecipeStores& stores, Counts& counts) noexcept
      : StructuredListener(stores, nullptr) {
    reading().count_rules(&counts);
  }

 private:
  int write(const StructuredRecipe&, std::int32_t) noexcept override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<unsigned char> text(1 << 20);
  std::vector<RecipeItem> items(16384);
  Counts counts;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    std::string input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    CountingReader reader({text.data(), text.size(), items.data(), items.size()}, counts);
    testing::MemorySource source(std::move(input));
    testing::MemorySink sink;
    ConversionOptions options;
    options.listener = &reader;
    convert_mxp(source, sink, options);
  }
  int unused = 0;
  const auto report = [&](const auto& table) {
    for (const auto& rule : table) {
      const auto found = counts.fired.find(rule.name);
      const long fired = found == counts.fired.end() ? 0 : found->second;
      std::printf("%8ld  %.*s\n", fired, static_cast<int>(rule.name.size()), rule.name.data());
      unused += fired == 0;
    }
  };
  report(HeaderReading::kRules);
  report(IngredientReading::kRules);
  report(IngredientReading::kEntryRules);
  report(DirectionsReading::kRules);
  return unused == 0 ? 0 : 1;
}
