// The conversion API's refusals and failures: each gives its code and errno, in the report too,
// and leaves every path as it was. Its successes are checked where its users meet it: the C
// consumer and the Python package in tests/package/, the DLL under Wine.
#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exports/mirtabel.h"
#include "tests/boundary/test_files.h"

namespace mirtabel::testing {
namespace {

std::vector<std::string> names_in(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Options larger than this version's, as a newer header would give them.
struct NewerOptions {
  mirtabel_options known;
  std::int64_t added;
};

TEST(ConversionApi, RefusalsAndFailuresLeaveEveryPathAsItWas) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RecipeFile recipes = generated_recipes(500);
  recipes.add("Too long", std::vector<std::string>(100, std::string(99, 'y')));
  const std::string input = dir / "in.mxp", output = dir / "out.txt", side = dir / "side.mxp";
  ASSERT_TRUE(write_file(input, recipes.text));
  ASSERT_TRUE(write_file(output, "previous"));

  const std::string missing_dir_side = dir / "none/side.mxp", missing = dir / "missing.mxp";
  constexpr std::size_t kSize = sizeof(mirtabel_options);
  const struct {
    const char* what;
    const char* input;
    const char* output;
    std::size_t size;
    int format;
    const char* encoding;
    const char* side;
    std::int64_t added;  // a field a newer header has
    int code, error;
  } cases[] = {
      {"no input path", nullptr, output.c_str(), kSize, 0, nullptr, nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"options of an older size", input.c_str(), output.c_str(), kSize - 1, 0, nullptr, nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"a newer field set", input.c_str(), output.c_str(), sizeof(NewerOptions), 0, nullptr,
       nullptr, 1, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"an unknown format", input.c_str(), output.c_str(), kSize, 7, nullptr, nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the reserved HTML format", input.c_str(), output.c_str(), kSize, MIRTABEL_FORMAT_HTML,
       nullptr, nullptr, 0, MIRTABEL_ERROR_NOT_SUPPORTED, ENOTSUP},
      {"an unknown encoding", input.c_str(), output.c_str(), kSize, 0, "ebcdic", nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file at the output's path", input.c_str(), output.c_str(), kSize, 0, nullptr,
       output.c_str(), 0, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file in a missing directory", input.c_str(), output.c_str(), kSize, 0, nullptr,
       missing_dir_side.c_str(), 0, MIRTABEL_ERROR_LEFT_OUT_FILE, ENOENT},
      {"the output is the input", input.c_str(), input.c_str(), kSize, 0, nullptr, side.c_str(), 0,
       MIRTABEL_ERROR_OUTPUT, EINVAL},
      {"a missing input", missing.c_str(), output.c_str(), kSize, 0, nullptr, side.c_str(), 0,
       MIRTABEL_ERROR_INPUT, ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NewerOptions options{};
    options.known.size = c.size;
    options.known.format = c.format;
    options.known.encoding = c.encoding;
    options.known.left_out_path = c.side;
    options.added = c.added;
    mirtabel_report report{};
    report.size = sizeof report;
    errno = 0;
    EXPECT_EQ(mirtabel_convert(c.input, c.output, &options.known, &report), c.code);
    EXPECT_EQ(errno, c.error);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(read_file(output), "previous");
    EXPECT_EQ(read_file(input), recipes.text);
    EXPECT_EQ(names_in(dir / "."), (std::vector<std::string>{"in.mxp", "out.txt"}));
  }
  // A newer structure whose added fields are zero is taken.
  NewerOptions newer{};
  newer.known.size = sizeof newer;
  EXPECT_EQ(mirtabel_convert(input.c_str(), output.c_str(), &newer.known, nullptr), MIRTABEL_OK);
  EXPECT_EQ(read_file(output), recipes.records.substr(0, recipes.records.rfind("Too long")));
}

// The stream form: a failure of either function stops the conversion with its errno, and a read
// that claims more than it was given room for is an input error, not an overrun.
TEST(ConversionApi, StreamFunctionFailuresAreInputAndOutputErrors) {
  struct Case {
    const char* what;
    std::ptrdiff_t read_result;  // what each read returns; 0: a recipe, then the end
    int write_result;
    int code, error;
  };
  const Case cases[] = {
      {"a read fails", -EIO, 0, MIRTABEL_ERROR_INPUT, EIO},
      {"a read claims too much", 1 << 30, 0, MIRTABEL_ERROR_INPUT, EIO},
      {"a write fails", 0, ENOSPC, MIRTABEL_ERROR_OUTPUT, ENOSPC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    struct State {
      const Case* c;
      int reads = 0;
    } state{&c};
    const auto read = [](void* context, unsigned char* buffer, size_t capacity) -> std::ptrdiff_t {
      auto* s = static_cast<State*>(context);
      if (s->c->read_result != 0) return s->c->read_result;
      static const char kText[] = "* X *\n\n   Title\n--------\nbody\n";
      if (s->reads++ > 0 || capacity < sizeof kText) return 0;
      std::memcpy(buffer, kText, sizeof kText - 1);
      return sizeof kText - 1;
    };
    const auto write = [](void* context, const unsigned char*, size_t) {
      return static_cast<State*>(context)->c->write_result;
    };
    mirtabel_report report{};
    report.size = sizeof report;
    EXPECT_EQ(mirtabel_convert_stream(read, write, &state, nullptr, &report), c.code);
    EXPECT_EQ(report.error, c.error);
  }
}

}  // namespace
}  // namespace mirtabel::testing
