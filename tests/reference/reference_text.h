// The reference's reading and writing of text: an input's bytes become wide characters and then
// lines as a wide-character text stream would return them, and output characters become UTF-8.
// Deliberately plain: one character at a time, each rule in a function of its own.
#ifndef MIRTABEL_TESTS_REFERENCE_REFERENCE_TEXT_H
#define MIRTABEL_TESTS_REFERENCE_REFERENCE_TEXT_H

#include <cstddef>
#include <string>
#include <vector>

#include "tests/reference/rule_coverage.h"

namespace mirtabel::reference {

// One read of the line reader returns at most this many characters, the line feed included.
inline constexpr std::size_t kLineLimit = 4999;

// Where wchar_t has 16 bits, a character beyond U+FFFF is a surrogate pair of two wchar_t.
inline constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

inline bool is_high_surrogate(wchar_t c) {
  return kWideIsUtf16 && c >= 0xD800 && c <= 0xDBFF;
}

// Every line the input's bytes hold, in order, each as one read returns it: the characters up to
// and including a line feed, at most kLineLimit of them, or the input's last characters.
std::vector<std::wstring> read_lines(const std::string& bytes, RuleCoverage& coverage);

// Appends the UTF-8 form of the Unicode scalar value `c` to `out`.
void append_utf8(char32_t c, std::string& out);

// The UTF-8 form of `text`, surrogate pairs joined into the characters they stand for.
std::string encode_utf8(const std::wstring& text);

}  // namespace mirtabel::reference

#endif
