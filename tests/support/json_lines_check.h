// A strict check of JSON Lines output, written from the JSON grammar apart from the writer it
// checks: every line one JSON value in valid UTF-8, and for the structured export one
// schema.org Recipe object with its context, type and name. Used by the tests and the fuzzer.
#ifndef MIRTABEL_TESTS_SUPPORT_JSON_LINES_CHECK_H
#define MIRTABEL_TESTS_SUPPORT_JSON_LINES_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace mirtabel::testing {

class JsonLineParser {
 public:
  explicit JsonLineParser(std::string_view text) : text_(text) {}

  // What is wrong with the line as a Recipe object, or an empty string.
  std::string check_recipe() {
    if (!object(0)) return error_ + " at byte " + std::to_string(at_);
    if (at_ != text_.size()) return "text after the value at byte " + std::to_string(at_);
    if (context_ != "https://schema.org") return "no \"@context\":\"https://schema.org\"";
    if (type_ != "Recipe") return "no \"@type\":\"Recipe\"";
    if (!has_name_) return "no \"name\" string";
    return {};
  }

 private:
  bool fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  bool eat(char c) {
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }

  bool value(int depth) {
    if (depth > 64) return fail("nested too deep");
    if (at_ >= text_.size()) return fail("a value is missing");
    switch (text_[at_]) {
      case '{':
        return object(depth + 1);
      case '[':
        return array(depth + 1);
      case '"':
        return string(nullptr);
      default:
        return fail("only strings, objects and arrays are written");
    }
  }

  bool object(int depth) {
    if (!eat('{')) return fail("an object is expected");
    if (eat('}')) return true;
    do {
      std::string_view key;
      if (!string(&key) || !eat(':')) return fail("a key and a colon are expected");
      const std::size_t start = at_;
      if (!value(depth)) return false;
      if (depth == 0) note_top_level(key, text_.substr(start, at_ - start));
    } while (eat(','));
    return eat('}') || fail("a comma or '}' is expected");
  }

  bool array(int depth) {
    if (!eat('[')) return fail("an array is expected");
    if (eat(']')) return true;
    do {
      if (!value(depth)) return false;
    } while (eat(','));
    return eat(']') || fail("a comma or ']' is expected");
  }

  // A string in valid, shortest-form UTF-8 with no raw control character and only the escapes
  // JSON defines. `raw` receives its bytes between the quotes.
  bool string(std::string_view* raw) {
    if (!eat('"')) return fail("a string is expected");
    const std::size_t start = at_;
    while (at_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        if (raw != nullptr) *raw = text_.substr(start, at_ - start);
        return ++at_, true;
      }
      if (c < 0x20) return fail("a raw control character in a string");
      if (c == '\\') {
        if (!escape()) return false;
      } else if (!utf8_character()) {
        return fail("invalid UTF-8");
      }
    }
    return fail("an unterminated string");
  }

  bool escape() {
    ++at_;
    if (at_ >= text_.size()) return fail("a cut escape");
    const char c = text_[at_++];
    if (std::string_view("\"\\/bfnrt").find(c) != std::string_view::npos) return true;
    if (c != 'u' || text_.size() - at_ < 4) return fail("an unknown escape");
    for (int i = 0; i < 4; ++i, ++at_) {
      if (std::string_view("0123456789abcdefABCDEF").find(text_[at_]) == std::string_view::npos)
        return fail("a bad \\u escape");
    }
    return true;
  }

  bool utf8_character() {
    const std::size_t length = utf8::valid_sequence_length(
        reinterpret_cast<const unsigned char*>(text_.data()) + at_, text_.size() - at_);
    at_ += length;
    return length > 0;
  }

  void note_top_level(std::string_view key, std::string_view value) {
    const bool is_string = value.size() >= 2 && value.front() == '"';
    const std::string_view content = is_string ? value.substr(1, value.size() - 2) : "";
    if (key == "@context") context_ = content;
    if (key == "@type") type_ = content;
    if (key == "name") has_name_ = is_string;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;
  std::string_view context_, type_;
  bool has_name_ = false;
};

// What is wrong with `output` as the JSON Lines of `records` recipes, or an empty string.
inline std::string check_json_lines(std::string_view output, std::int32_t records) {
  std::int32_t lines = 0;
  while (!output.empty()) {
    const std::size_t end = output.find('\n');
    if (end == std::string_view::npos) return "the last line has no line feed";
    const std::string problem = JsonLineParser(output.substr(0, end)).check_recipe();
    if (!problem.empty()) return "line " + std::to_string(lines + 1) + ": " + problem;
    ++lines;
    output.remove_prefix(end + 1);
  }
  if (lines != records) {
    return std::to_string(lines) + " lines for " + std::to_string(records) + " recipes";
  }
  return {};
}

}  // namespace mirtabel::testing

#endif
