// Golden files: every MXP file in tests/data beside the exact output it must give, and every
// example in examples/ beside its output in tests/data/examples/. Each is converted through
// ConvertMXP on real files and in memory in tiny pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exports/mirtabel.h"
#include "tests/conversion/conversion_case.h"

namespace mirtabel::testing {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The path as the wide string ConvertMXP takes, independent of the locale.
std::wstring wide_path(const fs::path& path) {
  const std::string utf8 = path.u8string();
  std::wstring wide;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
      c = (c << 6) | (utf8[i + k] & 0x3F);
    if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
      wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
    i += length;
  }
  return wide;
}

// A fresh directory for one test's output files, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    const fs::path base = fs::temp_directory_path();
    for (unsigned n = 0;; ++n) {
      path_ =
          base / ("mirtabel-conversion-" + std::to_string(std::rand()) + "-" + std::to_string(n));
      if (fs::create_directory(path_)) break;
    }
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct GoldenPair {
  fs::path input;
  fs::path expected;
};

// Every NAME.mxp in `inputs` with its NAME.expected in `outputs`. A file without its partner is
// a failure: a golden output nobody checks, or an input nobody pinned.
std::vector<GoldenPair> golden_pairs(const fs::path& inputs, const fs::path& outputs) {
  std::vector<GoldenPair> pairs;
  for (const auto& entry : fs::directory_iterator(inputs)) {
    if (entry.path().extension() != ".mxp") continue;
    const fs::path expected = outputs / entry.path().filename().replace_extension(".expected");
    EXPECT_TRUE(fs::exists(expected)) << entry.path() << " has no " << expected;
    if (fs::exists(expected)) pairs.push_back({entry.path(), expected});
  }
  for (const auto& entry : fs::directory_iterator(outputs)) {
    if (entry.path().extension() != ".expected") continue;
    const fs::path input = inputs / entry.path().filename().replace_extension(".mxp");
    EXPECT_TRUE(fs::exists(input)) << entry.path() << " has no " << input;
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const GoldenPair& a, const GoldenPair& b) { return a.input < b.input; });
  return pairs;
}

TEST(GoldenFiles, EveryFileGivesItsExpectedOutput) {
  const fs::path data = MIRTABEL_TEST_DATA_DIR;
  std::vector<GoldenPair> pairs = golden_pairs(data, data);
  const std::vector<GoldenPair> examples = golden_pairs(MIRTABEL_EXAMPLES_DIR, data / "examples");
  ASSERT_GE(examples.size(), 2u);
  pairs.insert(pairs.end(), examples.begin(), examples.end());
  ASSERT_GE(pairs.size(), 6u);

  ScratchDir scratch;
  for (const GoldenPair& pair : pairs) {
    SCOPED_TRACE(pair.input.string());
    const std::string expected = read_file(pair.expected);
    const auto records =
        static_cast<std::int32_t>(std::count(expected.begin(), expected.end(), '\n'));
    const fs::path output = scratch.path() / fs::u8path("résultat.txt");
    EXPECT_EQ(ConvertMXP(wide_path(pair.input).c_str(), wide_path(output).c_str()), records);
    EXPECT_TRUE(same_bytes(read_file(output), expected));
    expect_conversion(read_file(pair.input), expected, records);
  }
}

}  // namespace
}  // namespace mirtabel::testing
