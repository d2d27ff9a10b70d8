#include "file_conversion/input_check.h"

#include <cstring>
#include <memory>
#include <new>

#include "convert/marker_line.h"
#include "convert/marker_scan.h"
#include "platform/byte_order_mark.h"
#include "platform/simd_path.h"
#include "platform/text_reader.h"
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
  if (!mirtabel::is_single_byte(encoding)) {
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

// What reading the first recipe takes, too much for the stack of a worker thread.
struct FirstRecipe {
  FirstRecipe(mirtabel::ByteSource& source, mirtabel::InputEncoding encoding)
      : reader(source, encoding, mirtabel::stop_marker(mirtabel::chosen_simd_path())) {}

  mirtabel::TextReader reader;
  mirtabel::MarkerLine marker;
  unsigned char line_bytes[mirtabel::TextLine::kMaxBytes];
};

// Whether the first recipe is arranged as MXP arranges one, read as the conversion reads it:
// after the marker line and the line that follows it, a title line that holds "Title:" (the
// labelled layout), or header lines that end at a rule (the column layout) before the next
// recipe starts. The header of a column-layout recipe that does not end so runs on past the
// recipe, and a text that merely has three lines is no recipe.
bool first_recipe_has_layout(const unsigned char* bytes, std::size_t size,
                             mirtabel::InputEncoding encoding) {
  mirtabel::BytesSource source(bytes, size);
  const std::unique_ptr<FirstRecipe> first(new (std::nothrow) FirstRecipe(source, encoding));
  if (!first) return true;  // no memory to judge by: no doubt
  mirtabel::TextLine line;
  const auto read = [&] { return first->reader.read_line(first->line_bytes, line); };
  if (!read()) return false;
  first->marker.hold(line);
  if (!read() || !read()) return false;
  if (line.contains("Title:")) return true;
  while (read()) {
    if (line.contains("--------")) return mirtabel::is_header_rule(line);
    if (first->marker.is_in(line)) return false;
  }
  return false;
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
  // Judged from the same start whatever the caller holds, and in bounded time.
  const std::size_t start = size < kInputStartBytes ? size : kInputStartBytes;
  if (!first_recipe_has_layout(bytes, start, encoding)) return InputDoubt::kNoLayout;
  return InputDoubt::kNone;
}

const char* doubt_reason(InputDoubt doubt) {
  switch (doubt) {
    case InputDoubt::kEmpty:
      return "it is empty";
    case InputDoubt::kUtf16WithoutMark:
      return "it seems to be UTF-16 text that lacks the mark at its start that says so; save it "
             "again as UTF-8";
    case InputDoubt::kFirstLineEmpty:
      return "its first line is empty, yet that line marks where each recipe starts";
    case InputDoubt::kControlCharacters:
      return "its first line holds bytes that are not text, as a program, a picture or a "
             "compressed file does";
    case InputDoubt::kNoRecipe:
      return "no recipe was found in it";
    case InputDoubt::kNoLayout:
      return "its first recipe has neither a 'Title:' line nor a line of hyphens under its "
             "heading, one of which every recipe in MXP has";
    case InputDoubt::kNone:
      break;
  }
  return "";
}
