#include "recipes/html_writer.h"

#include <cstdint>
#include <cstring>

#include "platform/utf8.h"
#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

// The character reference that stands for an ASCII byte in HTML text, or nullptr.
const char* reference_for(unsigned char c) noexcept {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return nullptr;
  }
}

// Whether HTML forbids the character of this valid sequence in a document: a control other than
// tab, line feed, form feed and carriage return (C0, DEL, C1), or a noncharacter.
bool is_forbidden(const unsigned char* bytes, std::size_t length) noexcept {
  const auto c = static_cast<unsigned>(utf8::decode(bytes, length));
  if (c < 0x20) return c != '\t' && c != '\n' && c != '\f' && c != '\r';
  if (c >= 0x7F && c < 0xA0) return true;
  return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// Whether some byte of the eight is not printable ASCII, or is one that has a reference: those
// the loop below looks at one by one.
constexpr bool needs_look(std::uint64_t word) noexcept {
  using recipe_text::bytes_equal;
  return (recipe_text::unprintable_bytes(word) | bytes_equal(word, '&') | bytes_equal(word, '<') |
          bytes_equal(word, '>') | bytes_equal(word, '"')) != 0;
}

}  // namespace

void HtmlWriter::text(std::string_view text) noexcept {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t run = 0;  // start of the bytes not written yet
  for (std::size_t at = 0; at < text.size();) {
    // Most text is printable ASCII that needs no reference: eight bytes are passed at once while
    // none of them needs a look of its own.
    at = recipe_text::pass_plain_bytes(text, at, needs_look);
    if (at == text.size()) break;
    // Then one test a byte.
    if (bytes[at] >= 0x20 && bytes[at] < 0x7F && reference_for(bytes[at]) == nullptr) {
      ++at;
      continue;
    }
    const std::size_t length = utf8::valid_sequence_length(bytes + at, text.size() - at);
    const char* reference = length == 1 ? reference_for(bytes[at]) : nullptr;
    if (length > 0 && reference == nullptr && !is_forbidden(bytes + at, length)) {
      at += length;
      continue;
    }
    put(text.data() + run, at - run);
    if (reference != nullptr) {
      put(reference, std::strlen(reference));
    } else {
      put("\xEF\xBF\xBD", 3);
    }
    at += length > 0 ? length : 1;
    run = at;
  }
  put(text.data() + run, text.size() - run);
}

void HtmlWriter::number(std::uint64_t value) noexcept {
  char digits[20];
  std::size_t n = sizeof digits;
  do {
    digits[--n] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  put(digits + n, sizeof digits - n);
}

}  // namespace mirtabel
