// The library against the reference converter: a few thousand seeded, generated inputs, each
// converted by the library in every way the fuzz checks list (whole, and in pieces of a few bytes)
// must give the reference's output bytes and record count. The inputs must reach every rule the
// reference knows. MIRTABEL_REFERENCE_INPUTS=N runs only the first N inputs, for slow
// environments; the rule check then does not apply.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/conversion_checks.h"
#include "tests/reference/input_generator.h"
#include "tests/reference/reference_converter.h"
#include "tests/reference/reference_text.h"

namespace mirtabel::reference {
namespace {

constexpr std::uint32_t kInputs = 3000;

std::uint32_t input_count() {
  const char* setting = std::getenv("MIRTABEL_REFERENCE_INPUTS");
  if (setting == nullptr || *setting == '\0') return kInputs;
  return static_cast<std::uint32_t>(std::strtoul(setting, nullptr, 10));
}

// Saves an input whose conversion differs, so that mxp_fuzz_replay can run it again.
std::string save(const GeneratedInput& input, std::uint32_t seed) {
  const std::string name = "reference-difference-" + std::to_string(seed) + ".mxp";
  std::ofstream(name, std::ios::binary) << input.bytes;
  return name;
}

TEST(ReferenceComparison, GeneratedInputsConvertAsTheReferenceConverts) {
  const std::uint32_t count = input_count();
  RuleCoverage coverage;
  std::uint32_t differing = 0;
  for (std::uint32_t seed = 0; seed < count; ++seed) {
    const GeneratedInput input = generate_input(seed);
    const Converted expected = convert(input.bytes, coverage);
    const std::string difference = fuzzing::find_reference_difference(input.bytes, expected);
    if (difference.empty()) continue;
    if (++differing <= 3) {
      ADD_FAILURE() << "input " << seed << " (" << input.description << "; " << input.bytes.size()
                    << " bytes, saved as " << save(input, seed) << "): " << difference;
    }
  }
  EXPECT_EQ(differing, 0u) << "of " << count << " inputs";

  std::printf("%u inputs; rules applied by the reference:\n", count);
  for (std::size_t i = 0; i < coverage.applied.size(); ++i)
    std::printf("%9zu  %s\n", coverage.applied[i], kRuleNames[i]);
  if (count < kInputs) return;
  for (std::size_t i = 0; i < coverage.applied.size(); ++i) {
    if (!needs_utf16_wide(static_cast<Rule>(i)) || kWideIsUtf16) {
      EXPECT_GT(coverage.applied[i], 0u) << "no generated input reaches: " << kRuleNames[i];
    }
  }
}

// Inputs whose longest lines, 4,999 characters of 4 bytes, come right after a short recipe, each
// converted with every output capacity over a range that puts the place where such a line is
// read at every offset from the buffer's end: a line joined to the one before it, then a long
// line that takes a page mark, in the next labelled recipe and in the same one; and a long
// column body line.
TEST(ReferenceComparison, LongLinesAtEveryOffsetFromTheOutputBuffersEnd) {
  std::string emoji;
  for (int i = 0; i < 4999; ++i)
    emoji += "\U0001F600";
  const std::string joined = "@@M@@\nx\nTitle: A\n\nlist\n\nJoined\nline\n";
  const std::string inputs[] = {
      joined + "@@M@@\nx\nTitle: B\n\n" + emoji + "\n\nend\n",
      joined + "abc  " + emoji.substr(0, 4994 * 4) + "\n",
      "@@M@@\nx\nA\n--------\nbody\n@@M@@\nx\nB\n--------\n" + emoji + "\n" + emoji + "\n",
  };
  for (const std::string& input : inputs) {
    const Converted expected = convert(input);
    for (std::size_t capacity = RecordBuilder::kLineRoom; capacity < RecordBuilder::kLineRoom + 600;
         ++capacity) {
      fuzzing::LibraryRun run{fuzzing::kWholeInput, {}};
      run.options.output_capacity = capacity;
      const std::string difference =
          fuzzing::describe_difference(fuzzing::run_library(run, input), expected);
      ASSERT_EQ(difference, "") << "with an output capacity of " << capacity;
    }
  }
}

// Output that goes out in many writes, with records of every size against the write buffer:
// bodies of 4-byte characters (37 KB of UTF-8 where wchar_t has 32 bits) between runs of small
// recipes of varied number.
std::string input_of_many_writes() {
  std::string line;
  for (std::size_t i = 0; i < (kWideIsUtf16 ? 2345u : 4690u); ++i)
    line += "\U0001F600";
  std::string input;
  for (int i = 0; i < 8; ++i) {
    input += "== M ==\n\nBig\n--------\n" + line + "\n" + line + "\n";
    for (int j = 0; j < i * 7 % 16 * 3; ++j)
      input += "== M ==\n\nSmall\n--------\n" + std::string(900, 'x') + "\n";
  }
  return input;
}

// A write that fails once, at points all along the output, on a sink that takes writes again
// after it: each time the conversion reports the failure, writes nothing more and stops reading
// soon instead of running through the rest of the input.
TEST(ReferenceComparison, AFailedWriteStopsTheConversion) {
  const std::string input = input_of_many_writes();
  const Converted expected = convert(input);
  for (std::size_t limit = 0; limit < expected.output.size(); limit += 16 * 1024) {
    EXPECT_EQ(fuzzing::find_failed_write_violation(input, expected.output, limit), "")
        << "the write that passes output byte " << limit << " failed";
  }
}

}  // namespace
}  // namespace mirtabel::reference
