// A check of a whole cookbook, written from the HTML rules apart from the writer it checks:
// valid UTF-8 without a character HTML forbids, complete, one contents entry and one article per
// recipe, and the articles' JSON-LD the export's JSON Lines byte for byte. Used by the tests and
// the fuzzer.
#ifndef MIRTABEL_TESTS_SUPPORT_COOKBOOK_CHECK_H
#define MIRTABEL_TESTS_SUPPORT_COOKBOOK_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace mirtabel::testing {

// The JSON-LD of every article, one after the other.
inline std::string json_ld_of(std::string_view html) {
  constexpr std::string_view kOpen = "<script type=\"application/ld+json\">";
  std::string found;
  for (std::size_t at = html.find(kOpen); at != std::string_view::npos; at = html.find(kOpen, at)) {
    at += kOpen.size();
    found += html.substr(at, html.find("</script>", at) - at);
  }
  return found;
}

inline std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// What is wrong with `html` as the cookbook of `records` recipes whose JSON Lines are
// `json_lines`, or an empty string.
inline std::string check_cookbook(std::string_view html, std::int32_t records,
                                  std::string_view json_lines) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(html.data());
  for (std::size_t at = 0; at < html.size();) {
    const std::size_t length = utf8::valid_sequence_length(bytes + at, html.size() - at);
    if (length == 0) return "invalid UTF-8 at byte " + std::to_string(at);
    const char32_t c = utf8::decode(bytes + at, length);
    const bool control =
        (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || (c >= 0x7F && c < 0xA0);
    if (control || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE)
      return "a character HTML forbids at byte " + std::to_string(at);
    at += length;
  }
  constexpr std::string_view kEnd = "</main>\n</body>\n</html>\n";
  if (html.size() < kEnd.size() || html.substr(html.size() - kEnd.size()) != kEnd)
    return "the cookbook does not end with its closing tags";
  const auto expected = static_cast<std::size_t>(records);
  if (count_of(html, "<li><a href=\"#recipe-") != expected)
    return "not one contents entry per recipe";
  if (count_of(html, "<article id=\"recipe-") != expected) return "not one article per recipe";
  if (json_ld_of(html) != json_lines) return "the JSON-LD differs from the JSON Lines";
  return {};
}

}  // namespace mirtabel::testing

#endif
