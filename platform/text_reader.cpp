#include "platform/text_reader.h"

#include <cstring>

#include "platform/utf8.h"
#include "platform/windows_1252.h"

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

// Copies the buffered run of plain ASCII, up to and including a line feed; returns true when it
// copied a line feed. Stops at the line's limit and at any byte that needs decoding.
bool TextReader::copy_ascii_run(TextLine& line) noexcept {
  const unsigned char* start = buffer_ + position_;
  std::size_t limit = buffered();
  if (limit > TextLine::kMaxChars - line.chars) limit = TextLine::kMaxChars - line.chars;
  std::size_t length = 0;
  bool found_line_feed = false;
  while (length < limit && is_plain_ascii(start[length])) {
    if (start[length++] == '\n') {
      found_line_feed = true;
      break;
    }
  }
  std::memcpy(line.bytes + line.size, start, length);
  line.size += length;
  line.chars += length;
  position_ += length;
  return found_line_feed;
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
  const std::size_t length = utf8::valid_sequence_length(b, buffered());
  if (length == 0) return {windows_1252_to_unicode(first), 1, false};
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
