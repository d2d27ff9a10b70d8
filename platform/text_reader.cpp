#include "platform/text_reader.h"

#include <cstring>

#include "platform/byte_order_mark.h"
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
  bool filled = true;
  while (filled && end_ < count) {
    const ReadResult result = source_.read(buffer_ + end_, capacity_ - end_);
    if (result.error != 0) {
      error_ = result.error;
      takes_buffered_lines_ = false;
      filled = false;
    } else if (result.size == 0) {
      source_ended_ = true;
      filled = false;
    } else {
      end_ += result.size;
      bytes_read_ += result.size;
    }
  }
  mark_buffered_stops();
  return filled;
}

// The bytes behind the buffered ones are set, so that the marks of the last block and the
// copies that read past the end depend on nothing left from before.
void TextReader::mark_buffered_stops() noexcept {
  std::memset(buffer_ + end_, 0, kSlack);
  const std::size_t words = end_ / kMarkBlock + 1;
  mark_stops_(buffer_, words, stops_);
  const std::uint64_t end_bit = std::uint64_t{1} << (end_ % kMarkBlock);
  std::uint64_t& last = stops_[words - 1];
  last = (last & (end_bit - 1)) | end_bit;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  // Byte i / 8 of the marks holds byte i's, as next_stop() reads them.
  for (std::size_t i = 0; i < words; ++i)
    stops_[i] = __builtin_bswap64(stops_[i]);
#endif
}

void TextReader::detect_encoding() noexcept {
  ensure_buffered(3);
  const ByteOrderMark mark = byte_order_mark(buffer_ + position_, buffered());
  position_ += mark.size;
  switch (mark.encoding) {
    case MarkedEncoding::kUtf16LE:
      encoding_ = Encoding::kUtf16LE;
      break;
    case MarkedEncoding::kUtf16BE:
      encoding_ = Encoding::kUtf16BE;
      break;
    case MarkedEncoding::kUtf8:
      single_byte_ = false;  // the mark says UTF-8, whatever was assumed without one
      encoding_ = Encoding::kUtf8;
      break;
    case MarkedEncoding::kNone:
      encoding_ = Encoding::kUtf8;
      break;
  }
  takes_buffered_lines_ = encoding_ == Encoding::kUtf8 && error_ == 0;
}

// The rest of the lines that are wholly buffered and take fewer bytes than a line may hold
// characters, so that their characters fit whatever they are: those with other characters than
// plain ASCII and two-byte UTF-8, and those that end with a lone CR. The text is copied from stop
// to stop: valid UTF-8 as it stands, a byte read alone decoded from the code page. read_line()
// has passed the line up to `stop`, with `extra` bytes of its characters beyond their length in
// characters. Returns false, having consumed nothing, for any other line.
bool TextReader::read_buffered_line(unsigned char* to, TextLine& line, std::size_t stop,
                                    std::size_t extra) noexcept {
  const std::size_t begin = position_;
  const std::size_t limit = end_ - begin < TextLine::kMaxChars ? end_ : begin + TextLine::kMaxChars;
  std::size_t copied = begin;  // the input before it is decoded to `to`, in `size` bytes
  std::size_t size = 0;
  for (std::size_t at = stop; at < limit; at = next_stop(at)) {
    const unsigned char byte = buffer_[at];
    if (starts_two_byte_character(at)) {
      ++extra;
      at += 2;
      continue;
    }
    if (byte == '\n' || byte == '\r') {
      if (byte == '\r' && at + 1 == end_) return false;  // whether LF follows is not known yet
      copy_blocks(to + size, buffer_ + copied, at - copied);
      size += at - copied;
      to[size] = '\n';
      line.size = size + 1;
      line.chars = at - begin + 1 - extra;
      position_ = at + (byte == '\r' && buffer_[at + 1] == '\n' ? 2 : 1);
      return true;
    }
    if (byte < 0x80) {
      // A plain control character, or a Ctrl-Z that may be the input's last byte: its end mark.
      if (byte == kCtrlZ && at + 1 == end_) return false;
      ++at;
      continue;
    }
    if (!single_byte_) {
      if (end_ - at < 4) return false;  // a sequence may go on in bytes not read yet
      const std::size_t length = utf8::valid_sequence_length(buffer_ + at, 4);
      if (length != 0) {
        extra += length - utf8::wide_width(byte);
        at += length;
        continue;
      }
    }
    copy_blocks(to + size, buffer_ + copied, at - copied);
    size += at - copied;
    size += utf8::encode(high_half_[byte - 0x80], to + size);
    copied = ++at;
  }
  return false;
}

// The first line, every line of UTF-16 input, every line after a failed read, and the lines
// that are not wholly buffered or may hold more characters than a line.
void TextReader::read_line_slowly(unsigned char* to, TextLine& line) noexcept {
  if (encoding_ == Encoding::kUndetected) detect_encoding();
  if (encoding_ == Encoding::kUtf8) {
    read_utf8_line(to, line);
  } else {
    read_utf16_line(to, line);
  }
}

void TextReader::read_utf16_line(unsigned char* to, TextLine& line) noexcept {
  line.size = line.chars = 0;
  while (line.chars < TextLine::kMaxChars) {
    if (buffered() == 0 && !ensure_buffered(1)) break;
    if (!append(peek_utf16(), to, line)) break;
  }
  if (error_ != 0) line.size = line.chars = 0;
}

// Runs of plain bytes, up to the next stop, are copied as they are; every other byte is looked
// at alone. The line's size and length are kept in locals on the way, where they stay in
// registers.
void TextReader::read_utf8_line(unsigned char* to, TextLine& line) noexcept {
  std::size_t size = 0;
  std::size_t chars = 0;
  while (chars < TextLine::kMaxChars) {
    if (position_ == end_ && !ensure_buffered(1)) break;
    const std::size_t room = TextLine::kMaxChars - chars;
    const std::size_t stop = next_stop(position_);
    // An ASCII byte takes one byte of UTF-8, so `room` more bytes fit in the line's room.
    const std::size_t run = stop - position_ < room ? stop - position_ : room;
    std::memcpy(to + size, buffer_ + position_, run);
    size += run;
    chars += run;
    position_ += run;
    if (run == room || position_ == end_) continue;  // the line is full, or the buffer used up
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
