#include "tests/conversion/conversion_case.h"

#include <algorithm>

#include "tests/support/memory_streams.h"

namespace mirtabel::testing {

std::string lines(std::initializer_list<std::string> texts) {
  std::string joined;
  for (const std::string& text : texts)
    joined += text + "\n";
  return joined;
}

std::string repeat(const std::string& text, std::size_t count) {
  std::string repeated;
  for (std::size_t i = 0; i < count; ++i)
    repeated += text;
  return repeated;
}

std::string wide_text(const std::string& c, std::size_t units) {
  const std::size_t width = static_cast<unsigned char>(c[0]) >= 0xF0 ? kWideUnitsOf4Bytes : 1;
  return repeat(c, units / width) + std::string(units % width, 'a');
}

std::string field(const std::string& title) {
  std::size_t chars = 0;
  for (const char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) chars += byte >= 0xF0 ? kWideUnitsOf4Bytes : 1;
  }
  if (chars > 100) {
    ADD_FAILURE() << "a title field holds at most 100 characters, not " << chars;
    return title;
  }
  return title + std::string(100 - chars, ' ');
}

std::string record(const std::string& title, const std::string& body) {
  return field(title) + body + "\n";
}

::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto at = static_cast<std::size_t>(
      std::mismatch(
          actual.begin(),
          actual.begin() + static_cast<std::ptrdiff_t>(std::min(actual.size(), expected.size())),
          expected.begin())
          .first -
      actual.begin());
  const std::size_t from = at < 40 ? 0 : at - 40;
  return ::testing::AssertionFailure()
         << "output of " << actual.size() << " bytes, expected " << expected.size()
         << "; first difference at byte " << at << "\n  actual:   ..." << actual.substr(from, 80)
         << "\n  expected: ..." << expected.substr(from, 80);
}

void expect_conversion(const std::string& input, const std::string& expected,
                       std::int32_t records) {
  constexpr std::size_t kWhole = static_cast<std::size_t>(-1);
  for (const std::size_t piece : {kWhole, std::size_t{1}, std::size_t{3}, std::size_t{7}}) {
    SCOPED_TRACE(piece == kWhole ? std::string("input whole")
                                 : "input in pieces of " + std::to_string(piece) + " bytes");
    const Converted got = convert_text(input, piece);
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.records, records);
    EXPECT_TRUE(same_bytes(got.output, expected));
    EXPECT_EQ(std::count(got.output.begin(), got.output.end(), '\n'), got.records);
  }
}

std::string case_name(const ::testing::TestParamInfo<ConversionCase>& info) {
  return info.param.name;
}

TEST_P(ConversionTest, GivesExactRecords) {
  expect_conversion(GetParam().input, GetParam().expected, GetParam().records);
}

}  // namespace mirtabel::testing
