#include "platform/text_reader.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/utf8.h"

namespace mirtabel {
namespace {

constexpr unsigned char kCtrlZ = 0x1A;
constexpr char32_t kReplacement = 0xFFFD;

// Whether the plain ASCII copy may take this byte as it is.
constexpr bool is_plain_ascii(unsigned char byte) noexcept {
  return byte < 0x80 && byte != '\r' && byte != kCtrlZ;
}

void append_code_point(TextLine& line, char32_t c) noexcept {
  line.size += utf8::encode(c, line.bytes + line.size);
  line.chars += utf8::wide_width_of(c);
}

// Whether the plain ASCII copy ends at this byte: a line feed, or a byte it cannot take as it is.
constexpr bool ends_plain_run(unsigned char byte) noexcept {
  return byte == '\n' || !is_plain_ascii(byte);
}

// Copies the run of plain ASCII at the start of `from` (at most `size` bytes) to `to`, up to the
// first byte that ends it, which is not copied; returns the run's length. Where SSE2 is
// available, sixteen bytes are checked at once: a block with no control character and no byte
// above 0x7F is taken whole, and in any other block the first such byte is checked alone. Each
// block is stored whole, so up to 15 bytes past the run may be written; they lie within `size`.
std::size_t copy_plain_ascii(const unsigned char* from, unsigned char* to,
                             std::size_t size) noexcept {
  std::size_t length = 0;
#if defined(__SSE2__)
  // Compared as signed bytes, the bytes above 0x7F are negative: one comparison with a space
  // finds them and the control characters together.
  const __m128i space = _mm_set1_epi8(' ');
  while (length + 16 <= size) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + length));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + length), block);
    const int mask = _mm_movemask_epi8(_mm_cmplt_epi8(block, space));
    if (mask == 0) {
      length += 16;
      continue;
    }
    length += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    if (ends_plain_run(from[length])) return length;
    ++length;  // a tab, say: plain text, already stored
  }
#endif
  for (; length < size && !ends_plain_run(from[length]); ++length)
    to[length] = from[length];
  return length;
}

}  // namespace

bool TextReader::ensure_buffered(std::size_t count) noexcept {
  if (buffered() >= count) return true;
  if (source_ended_ || error_ != 0) return false;
  std::memmove(buffer_, buffer_ + position_, buffered());
  end_ = buffered();
  position_ = 0;
  while (end_ < count) {
    const ReadResult result = source_.read(buffer_ + end_, sizeof buffer_ - end_);
    if (result.error != 0) {
      error_ = result.error;
      return false;
    }
    if (result.size == 0) {
      source_ended_ = true;
      return false;
    }
    end_ += result.size;
    bytes_read_ += result.size;
  }
  return true;
}

void TextReader::detect_encoding() noexcept {
  ensure_buffered(3);
  const unsigned char* b = buffer_ + position_;
  if (buffered() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    encoding_ = Encoding::kUtf8;
    position_ += 3;
  } else if (buffered() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    encoding_ = Encoding::kUtf16LE;
    position_ += 2;
  } else if (buffered() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    encoding_ = Encoding::kUtf16BE;
    position_ += 2;
  } else {
    encoding_ = Encoding::kUtf8;
  }
}

bool TextReader::read_line(TextLine& line) noexcept {
  line.size = 0;
  line.chars = 0;
  // Most lines are plain ASCII and wholly buffered: one run copies them.
  if (encoding_ == Encoding::kUtf8 && copy_ascii_run(line)) return true;
  return read_line_piecewise(line);
}

// Goes on with a line that read_line began: decodes what the plain copy cannot take, refills the
// buffer, and stops at the line's limit or the end of the input.
bool TextReader::read_line_piecewise(TextLine& line) noexcept {
  if (encoding_ == Encoding::kUndetected) detect_encoding();
  const bool is_utf8 = encoding_ == Encoding::kUtf8;
  while (line.chars < TextLine::kMaxChars) {
    if (buffered() == 0 && !ensure_buffered(1)) break;
    if (is_utf8) {
      if (copy_ascii_run(line)) return true;
      if (line.chars == TextLine::kMaxChars) break;
      if (buffered() == 0) continue;
    }
    const Decoded next = is_utf8 ? peek_utf8() : peek_utf16();
    if (next.is_end_mark) {
      position_ += next.byte_count;
      break;
    }
    // Only a surrogate pair can fail to fit; it then starts the next read.
    if (line.chars + utf8::wide_width_of(next.code_point) > TextLine::kMaxChars) break;
    position_ += next.byte_count;
    append_code_point(line, next.code_point);
    if (next.code_point == '\n') return true;
  }
  if (error_ != 0) line.size = line.chars = 0;
  return line.chars > 0;
}

// Copies the buffered run of plain ASCII, up to and including the line's end; returns true when
// the line ended. Stops at the line's limit and at any byte that needs decoding. A line feed, and
// a CR LF whose two bytes are both buffered, end the line here; any other line end is left to
// the decoder.
bool TextReader::copy_ascii_run(TextLine& line) noexcept {
  const unsigned char* start = buffer_ + position_;
  const std::size_t available = buffered();
  const std::size_t room = TextLine::kMaxChars - line.chars;
  const std::size_t limit = available < room ? available : room;
  // A line never takes more than 4 bytes per character, so `limit` more bytes fit in its store.
  unsigned char* to = line.bytes + line.size;
  std::size_t length = copy_plain_ascii(start, to, limit);
  std::size_t consumed = length;
  bool ended = false;
  if (length < limit && start[length] == '\n') {
    ended = true;
    consumed += 1;
  } else if (length < limit && start[length] == '\r' && length + 1 < available &&
             start[length + 1] == '\n') {
    ended = true;
    consumed += 2;
  }
  if (ended) to[length++] = '\n';
  line.size += length;
  line.chars += length;
  position_ += consumed;
  return ended;
}

TextReader::Decoded TextReader::peek_utf8() noexcept {
  ensure_buffered(4);
  const unsigned char* b = buffer_ + position_;
  const unsigned char first = b[0];
  if (first == '\r') {
    const bool crlf = buffered() >= 2 && b[1] == '\n';
    return {U'\n', crlf ? 2u : 1u, false};
  }
  if (first == kCtrlZ && buffered() == 1 && source_ended_) return {0, 1, true};
  if (first < 0x80) return {first, 1, false};
  const std::size_t length = single_byte_ ? 0 : utf8::valid_sequence_length(b, buffered());
  if (length == 0) return {high_half_[first - 0x80], 1, false};
  return {utf8::decode(b, length), length, false};
}

char32_t TextReader::utf16_unit(std::size_t offset) const noexcept {
  const unsigned char* b = buffer_ + position_ + offset;
  return encoding_ == Encoding::kUtf16LE ? char32_t(b[0] | (b[1] << 8))
                                         : char32_t((b[0] << 8) | b[1]);
}

TextReader::Decoded TextReader::peek_utf16() noexcept {
  ensure_buffered(4);
  if (buffered() < 2) return {0, buffered(), true};  // an odd final byte
  const char32_t unit = utf16_unit(0);
  const bool has_next = buffered() >= 4;
  if (unit == kCtrlZ && !has_next && source_ended_) return {0, buffered(), true};
  if (unit == '\r') {
    const bool crlf = has_next && utf16_unit(2) == '\n';
    return {U'\n', crlf ? 4u : 2u, false};
  }
  if (unit >= 0xD800 && unit <= 0xDBFF && has_next) {
    const char32_t low = utf16_unit(2);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      return {0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), 4, false};
    }
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) return {kReplacement, 2, false};
  return {unit, 2, false};
}

}  // namespace mirtabel
