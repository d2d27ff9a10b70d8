#include "recipes/json_writer.h"

#include <cstdint>

#include "platform/utf8.h"
#include "recipes/recipe_text.h"

namespace mirtabel {

void JsonWriter::key(std::string_view name) noexcept {
  separate();
  quoted(name);
  put(':');
  after_key_ = true;
}

void JsonWriter::string(std::string_view text) noexcept {
  separate();
  quoted(text);
}

void JsonWriter::begin_string() noexcept {
  separate();
  put('"');
}

void JsonWriter::end_line() noexcept {
  put('\n');
  has_values_ = 0;
}

void JsonWriter::open(char bracket) noexcept {
  separate();
  put(bracket);
  ++depth_;
  has_values_ &= ~(std::uint32_t{1} << depth_);
}

void JsonWriter::close(char bracket) noexcept {
  --depth_;
  put(bracket);
}

void JsonWriter::separate() noexcept {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  const std::uint32_t bit = std::uint32_t{1} << depth_;
  if (depth_ > 0 && (has_values_ & bit) != 0) put(',');
  has_values_ |= bit;
}

namespace {

// A character that a JSON parser takes but that would reach its consumer raw, to harm there: the
// delete character and the C1 controls, which terminals and some parsers act on; the line and
// paragraph separators, which end a line in JavaScript source and some editors; "<", which could
// end or open something in an HTML <script> element that holds the JSON; and the noncharacters,
// which HTML forbids even there. Returns the code point, or 0.
unsigned escaped_code_point(const unsigned char* bytes, std::size_t length) noexcept {
  if (length == 1) return bytes[0] == 0x7F || bytes[0] == '<' ? bytes[0] : 0;
  if (length == 2) return bytes[0] == 0xC2 && bytes[1] < 0xA0 ? bytes[1] : 0;
  const auto code_point = static_cast<unsigned>(utf8::decode(bytes, length));
  const bool separator = code_point == 0x2028 || code_point == 0x2029;
  const bool noncharacter =
      (code_point >= 0xFDD0 && code_point <= 0xFDEF) || (code_point & 0xFFFE) == 0xFFFE;
  return separator || noncharacter ? code_point : 0;
}

// Whether some byte of the eight is not printable ASCII, or is '"', '\\' or '<': those the
// loop below looks at one by one.
constexpr bool needs_look(std::uint64_t word) noexcept {
  using recipe_text::bytes_equal;
  return (recipe_text::unprintable_bytes(word) | bytes_equal(word, '"') | bytes_equal(word, '\\') |
          bytes_equal(word, '<')) != 0;
}

}  // namespace

void JsonWriter::quoted(std::string_view text) noexcept {
  put('"');
  escaped(text);
  put('"');
}

// Quotes, backslashes and control characters are escaped; runs of other valid UTF-8 go out as
// they are.
void JsonWriter::escaped(std::string_view text) noexcept {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t run = 0;  // start of the bytes not written yet
  for (std::size_t at = 0; at < text.size();) {
    // Most text is printable ASCII that needs no escape: eight bytes are passed at once while
    // none of them needs a look of its own.
    at = recipe_text::pass_plain_bytes(text, at, needs_look);
    if (at == text.size()) break;
    const unsigned char c = bytes[at];
    // Then one test a byte.
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '<') {
      ++at;
      continue;
    }
    const std::size_t length = utf8::valid_sequence_length(bytes + at, text.size() - at);
    const unsigned code_point = length > 0 ? escaped_code_point(bytes + at, length) : 0;
    if (length > 0 && c >= 0x20 && c != '"' && c != '\\' && code_point == 0) {
      at += length;
      continue;
    }
    put(text.data() + run, at - run);
    if (length == 0) {
      put("\xEF\xBF\xBD", 3);
    } else if (c == '"' || c == '\\') {
      const char escaped[] = {'\\', static_cast<char>(c)};
      put(escaped, 2);
    } else if (c == '\n') {
      put("\\n", 2);
    } else if (c == '\t') {
      put("\\t", 2);
    } else {
      const unsigned u = code_point != 0 ? code_point : c;
      const auto escape = [&](unsigned unit) {
        const char escaped[] = {'\\',
                                'u',
                                kHex[unit >> 12],
                                kHex[(unit >> 8) & 0xF],
                                kHex[(unit >> 4) & 0xF],
                                kHex[unit & 0xF]};
        put(escaped, sizeof escaped);
      };
      if (u > 0xFFFF) {  // past the Basic Multilingual Plane: a surrogate pair
        escape(0xD800 + ((u - 0x10000) >> 10));
        escape(0xDC00 + ((u - 0x10000) & 0x3FF));
      } else {
        escape(u);
      }
    }
    at += length > 0 ? length : 1;
    run = at;
  }
  put(text.data() + run, text.size() - run);
}

}  // namespace mirtabel
