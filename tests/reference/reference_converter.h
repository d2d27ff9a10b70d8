// The reference converter: a deliberately plain reading of the conversion rules, one character
// and one rule at a time, with nothing shared with the library. The tests and the fuzz target
// check the library's output against it byte for byte.
//
// It takes the whole input in memory and runs the rules as they are stated: bytes become wide
// characters, characters become lines of at most 4,999, the recipe framing loop runs the column
// scan and, when the first title line holds "Title:", reads the input again from its start with
// the labelled rules; each record goes out as UTF-8. Like the library it counts lengths in
// wchar_t, so where wchar_t has 16 bits a character beyond U+FFFF counts as two.
#ifndef MIRTABEL_TESTS_REFERENCE_REFERENCE_CONVERTER_H
#define MIRTABEL_TESTS_REFERENCE_REFERENCE_CONVERTER_H

#include <cstdint>
#include <string>

#include "tests/reference/rule_coverage.h"

namespace mirtabel::reference {

struct Converted {
  std::string output;  // the records, as UTF-8
  std::int32_t records = 0;
};

// Converts MXP text as ConvertMXP does a file. The second form also notes the rules it applied.
Converted convert(const std::string& input);
Converted convert(const std::string& input, RuleCoverage& coverage);

}  // namespace mirtabel::reference

#endif
