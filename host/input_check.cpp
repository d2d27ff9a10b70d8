#include "host/input_check.h"

#include "platform/byte_order_mark.h"
#include "platform/utf8.h"

namespace {

enum class Form { kBytes, kUtf16LE, kUtf16BE };

// The first line counts at most this many characters, as the conversion reads it.
constexpr std::size_t kFirstLineChars = 4999;

bool is_control(char32_t c) {
  return (c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F);
}

// Text of Latin letters in UTF-16 has a zero in every other byte, and text in a byte encoding
// almost never has one.
bool looks_like_utf16(const unsigned char* bytes, std::size_t size) {
  const std::size_t pairs = (size < 4096 ? size : 4096) / 2;
  if (pairs < 2) return false;
  std::size_t even = 0;
  std::size_t odd = 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    even += bytes[2 * i] == 0;
    odd += bytes[2 * i + 1] == 0;
  }
  auto mostly = [&](std::size_t zeros) { return zeros * 10 >= pairs * 4; };
  auto hardly = [&](std::size_t zeros) { return zeros * 20 <= pairs; };
  return (mostly(odd) && hardly(even)) || (mostly(even) && hardly(odd));
}

// Decodes the character at `at`, moving past it; false at the end of the bytes.
bool next_char(const unsigned char* bytes, std::size_t size, std::size_t& at, Form form,
               mirtabel::InputEncoding encoding, char32_t& c) {
  if (form != Form::kBytes) {
    if (size - at < 2) return false;
    c = form == Form::kUtf16LE ? bytes[at] | bytes[at + 1] << 8 : bytes[at] << 8 | bytes[at + 1];
    at += 2;
    return true;
  }
  if (at >= size) return false;
  const unsigned char byte = bytes[at];
  if (encoding == mirtabel::InputEncoding::kUtf8) {
    const std::size_t length = mirtabel::utf8::valid_sequence_length(bytes + at, size - at);
    if (length > 1) {
      c = mirtabel::utf8::decode(bytes + at, length);
      at += length;
      return true;
    }
  }
  c = byte < 0x80 ? byte : mirtabel::high_half(encoding)[byte - 0x80];
  ++at;
  return true;
}

}  // namespace

InputDoubt doubt_about(const unsigned char* bytes, std::size_t size, std::uint64_t total,
                       std::size_t recipes, mirtabel::InputEncoding encoding) {
  if (total == 0) return InputDoubt::kEmpty;
  Form form = Form::kBytes;
  const mirtabel::ByteOrderMark mark = mirtabel::byte_order_mark(bytes, size);
  std::size_t at = mark.size;
  if (mark.encoding == mirtabel::MarkedEncoding::kUtf8) {
    encoding = mirtabel::InputEncoding::kUtf8;
  } else if (mark.encoding == mirtabel::MarkedEncoding::kUtf16LE) {
    form = Form::kUtf16LE;
  } else if (mark.encoding == mirtabel::MarkedEncoding::kUtf16BE) {
    form = Form::kUtf16BE;
  } else if (looks_like_utf16(bytes, size)) {
    return InputDoubt::kUtf16WithoutMark;
  }
  std::size_t chars = 0;
  bool control = false;
  char32_t c;
  while (chars < kFirstLineChars && next_char(bytes, size, at, form, encoding, c) && c != '\n' &&
         c != '\r') {
    ++chars;
    control = control || is_control(c);
  }
  if (chars == 0) return InputDoubt::kFirstLineEmpty;
  if (control) return InputDoubt::kControlCharacters;
  if (recipes == 0) return InputDoubt::kNoRecipe;
  return InputDoubt::kNone;
}

const char* doubt_reason(InputDoubt doubt) {
  switch (doubt) {
    case InputDoubt::kEmpty:
      return "it is empty";
    case InputDoubt::kUtf16WithoutMark:
      return "it looks like UTF-16 without a byte-order mark";
    case InputDoubt::kFirstLineEmpty:
      return "its first line, which marks each recipe's start, is empty";
    case InputDoubt::kControlCharacters:
      return "its first line holds control characters";
    case InputDoubt::kNoRecipe:
      return "no recipe was found in it";
    case InputDoubt::kNone:
      break;
  }
  return "";
}
