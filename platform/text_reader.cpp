#include "platform/text_reader.h"

#include <cstring>

#include "platform/utf8.h"

namespace mirtabel {
namespace {

constexpr unsigned char kCtrlZ = 0x1A;
constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

bool TextReader::ensure_buffered(std::size_t count) noexcept {
  if (buffered() >= count) return true;
  if (source_ended_ || error_ != 0) return false;
  std::memmove(buffer_, buffer_ + position_, buffered());
  end_ = buffered();
  position_ = 0;
  while (end_ < count) {
    const ReadResult result = source_.read(buffer_ + end_, capacity_ - end_);
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
    single_byte_ = false;  // the mark says UTF-8, whatever was assumed without one
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

void TextReader::read_first_or_utf16_line(unsigned char* to, TextLine& line) noexcept {
  if (encoding_ == Encoding::kUndetected) detect_encoding();
  if (encoding_ == Encoding::kUtf8) {
    read_utf8_line(to, line);
    return;
  }
  line.size = line.chars = 0;
  while (line.chars < TextLine::kMaxChars) {
    if (buffered() == 0 && !ensure_buffered(1)) break;
    if (!append(peek_utf16(), to, line)) break;
  }
  if (error_ != 0) line.size = line.chars = 0;
}

// Plain ASCII runs are copied as they are by the inner loop; every other byte is looked at alone.
// The line's size and length are kept in locals on the way, where they stay in registers.
// `copied` plain bytes of the line are in place already.
void TextReader::read_utf8_line(unsigned char* to, TextLine& line, std::size_t copied) noexcept {
  std::size_t size = copied;
  std::size_t chars = copied;
  while (chars < TextLine::kMaxChars) {
    if (position_ == end_ && !ensure_buffered(1)) break;
    const std::size_t room = TextLine::kMaxChars - chars;
    const std::size_t limit = end_ - position_ < room ? end_ - position_ : room;
    // An ASCII byte takes one byte of UTF-8, so `limit` more bytes fit in the line's room.
    const std::size_t run = copy_plain_run_(buffer_ + position_, to + size, limit);
    size += run;
    chars += run;
    position_ += run;
    if (run == limit) continue;
    if (buffer_[position_] == '\n') {  // the usual end of a line, taken without the decoder
      to[size++] = '\n';
      ++chars;
      ++position_;
      break;
    }
    line.size = size;
    line.chars = chars;
    const bool goes_on = buffer_[position_] >= 0x80 && !single_byte_
                             ? copy_utf8_sequence(to, line)
                             : append(peek_utf8(), to, line);
    size = line.size;
    chars = line.chars;
    if (!goes_on) break;
  }
  // A line cut short by a failed read is not a line of the input, nor is any after it.
  if (error_ != 0) size = chars = 0;
  line.size = size;
  line.chars = chars;
}

// A valid sequence is copied as it stands; a byte that does not begin one is decoded alone.
// Returns false when the character does not fit in the line.
bool TextReader::copy_utf8_sequence(unsigned char* to, TextLine& line) noexcept {
  ensure_buffered(4);
  const unsigned char* at = buffer_ + position_;
  const std::size_t length = utf8::valid_sequence_length(at, buffered());
  if (length == 0) return append({high_half_[at[0] - 0x80], 1, false}, to, line);
  const std::size_t width = utf8::wide_width(at[0]);
  if (line.chars + width > TextLine::kMaxChars) return false;
  std::memcpy(to + line.size, at, length);
  line.size += length;
  line.chars += width;
  position_ += length;
  return true;
}

// Consumes and appends one decoded character. Returns false when the line ends: at a line feed,
// at the end-of-file mark, or when the character does not fit (only a surrogate pair can fail
// to, and it then starts the next line).
bool TextReader::append(const Decoded& next, unsigned char* to, TextLine& line) noexcept {
  if (next.is_end_mark) {
    position_ += next.byte_count;
    return false;
  }
  const std::size_t width = utf8::wide_width_of(next.code_point);
  if (line.chars + width > TextLine::kMaxChars) return false;
  position_ += next.byte_count;
  line.size += utf8::encode(next.code_point, to + line.size);
  line.chars += width;
  return next.code_point != '\n';
}

TextReader::Decoded TextReader::peek_utf8() noexcept {
  const unsigned char first = buffer_[position_];
  if (first == '\r') {
    const bool crlf = ensure_buffered(2) && buffer_[position_ + 1] == '\n';
    return {U'\n', crlf ? 2u : 1u, false};
  }
  if (first == kCtrlZ) return {first, 1, !ensure_buffered(2) && source_ended_};
  if (first < 0x80) return {first, 1, false};
  return {high_half_[first - 0x80], 1, false};
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
