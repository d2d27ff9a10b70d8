// Table-driven conversion tests: an MXP input, the exact output it must give and the number of
// records. Every case runs with the input delivered whole and in tiny pieces, so that lines,
// multi-byte characters and line ends straddle the reader's buffer refills.
#ifndef MIRTABEL_TESTS_CONVERSION_CONVERSION_CASE_H
#define MIRTABEL_TESTS_CONVERSION_CONVERSION_CASE_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>

namespace mirtabel::testing {

struct ConversionCase {
  std::string name;  // the test's name: letters, digits and underscores
  std::string input;
  std::string expected;  // the whole output
  std::int32_t records;
};

// Keeps failure messages short: the inputs can be tens of kilobytes.
inline void PrintTo(const ConversionCase& c, std::ostream* os) {
  *os << c.name;
}

// The marker line of most cases, longer than the labelled layout's short lines.
inline const std::string kMark = "== RECIPE EXPORT ==";

// Every length rule counts wchar_t: where it has 16 bits, a character beyond U+FFFF (4 bytes of
// UTF-8) takes two.
inline constexpr std::size_t kWideUnitsOf4Bytes = sizeof(wchar_t) == 2 ? 2 : 1;

// The given lines, each followed by a line feed.
std::string lines(std::initializer_list<std::string> texts);
std::string repeat(const std::string& text, std::size_t count);
// Text of `units` wchar_t made of the character `c`, topped up with 'a' where `c` takes two.
std::string wide_text(const std::string& c, std::size_t units);
// A title field: `title` padded with spaces to 100 wchar_t.
std::string field(const std::string& title);
// One recipe record: the title field, the body and a line feed.
std::string record(const std::string& title, const std::string& body);

// Converts `input` whole and in pieces of 1, 3 and 7 bytes; each run must give exactly
// `expected`, `records` records, no error, and one line feed per record.
void expect_conversion(const std::string& input, const std::string& expected, std::int32_t records);

// Equal bytes, or the offset of the first difference with some context on either side.
::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected);

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

std::string case_name(const ::testing::TestParamInfo<ConversionCase>& info);

}  // namespace mirtabel::testing

#endif
