#include "platform/text_reader.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/byte_order_mark.h"
#include "platform/utf8.h"

namespace mirtabel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The high half of the reader that is to choose, until it has.
template <std::size_t... i>
constexpr std::array<char16_t, sizeof...(i)> all_unchosen(std::index_sequence<i...>) noexcept {
  return {(static_cast<void>(i), char16_t{0xFFFF})...};
}
constexpr std::array<char16_t, 128> kUnchosenHalf = all_unchosen(std::make_index_sequence<128>());

}  // namespace

bool TextReader::ensure_buffered(std::size_t count) noexcept {
  if (buffered() >= count) return true;
  if (source_ended_ || error_ != 0) return false;
  before_.pass(buffer_, position_);
  std::memmove(buffer_, buffer_ + position_, buffered());
  end_ = buffered();
  position_ = 0;
  // Until a code page chosen from the buffer is chosen, the buffer is filled whole, so that what
  // it holds at the first byte that is not UTF-8, and so the choice, does not hang on how a pipe
  // happened to hand over its bytes.
  const bool choosing_from_buffer = whole_input_ == nullptr && high_half_ == kUnchosenHalf.data();
  const std::size_t wanted = choosing_from_buffer ? capacity_ : count;
  bool filled = true;
  while (filled && end_ < wanted) {
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
  return end_ >= count;
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
  if (mark.size > 0) {
    // A UTF-8 mark leaves nothing to choose: a byte that is not UTF-8 is read as kUtf8 reads it.
    if (choice_.ground == EncodingChoice::Ground::kNoStrayByte) {
      read_without_mark_as(InputEncoding::kUtf8);
    }
    choice_.ground = EncodingChoice::Ground::kByteOrderMark;
    choice_.mark = mark.encoding;
  }
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

char32_t TextReader::degree_or_letter(std::size_t at) const noexcept {
  const bool degree =
      is_degree_place(before_.at(buffer_, at, 2), before_.at(buffer_, at, 1), buffer_[at + 1]);
  return degree ? 0x00B0 : 0x00F8;
}

// Before the first byte that is not UTF-8 every choice reads alike: the choice is made there, in
// a call of its own, so that its frame is not part of every line's.
[[gnu::noinline]] char32_t TextReader::chosen_character(std::size_t at) noexcept {
  choose_code_page();
  const char32_t c = high_half_[buffer_[at] - 0x80];
  return c == 0x00F8 && dos_degrees_ ? degree_or_letter(at) : c;
}

// From the whole input where it can be read again, else from what the buffer holds. Each way
// has a frame of its own: the choice is made at the deepest point of a conversion, where every
// byte of stack counts.
void TextReader::choose_code_page() noexcept {
  if (whole_input_ == nullptr)
    choose_from_buffer();
  else
    choose_from_whole_input();
  read_without_mark_as(choice_.encoding);
}

[[gnu::noinline]] void TextReader::choose_from_buffer() noexcept {
  EncodingEvidence evidence(before_);
  evidence.scan(buffer_, end_, source_ended_);
  choice_ = evidence.choice();
}

// Through the buffer, whose bytes are read again after.
[[gnu::noinline]] void TextReader::choose_from_whole_input() noexcept {
  const std::uint64_t buffer_start = bytes_read_ - end_;
  int error = 0;
  choice_ = choose_encoding(*whole_input_, buffer_, capacity_, error);
  for (std::size_t restored = 0; error == 0 && restored < end_;) {
    const ReadResult read =
        whole_input_->read_at(buffer_start + restored, buffer_ + restored, end_ - restored);
    error = read.error != 0 ? read.error : read.size == 0 ? EIO : 0;  // or cut short meanwhile
    restored += read.size;
  }
  mark_buffered_stops();
  if (error != 0) {
    error_ = error;
    takes_buffered_lines_ = false;
  }
}

void TextReader::read_without_mark_as(InputEncoding encoding) noexcept {
  if (encoding == InputEncoding::kChoose) {
    high_half_ = kUnchosenHalf.data();
    single_byte_ = false;
    dos_degrees_ = false;
    choice_.encoding = InputEncoding::kUtf8;
    choice_.ground = EncodingChoice::Ground::kNoStrayByte;
    return;
  }
  if (choice_.ground == EncodingChoice::Ground::kNamed) choice_.encoding = encoding;
  high_half_ = high_half(encoding);
  single_byte_ = is_single_byte(encoding);
  dos_degrees_ = encoding == InputEncoding::kUtf8DosDegrees;
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
    if (starts_two_byte_character(at)) {
      ++extra;
      at += 2;
      continue;
    }
    // The bytes after the buffered ones are not known: whatever they decide is left to
    // read_utf8_line().
    const Unit unit = unit_at(at, false);
    if (unit.kind == Unit::kLineEnd) {
      copy_blocks(to + size, buffer_ + copied, at - copied);
      size += at - copied;
      to[size] = '\n';
      line.size = size + 1;
      line.chars = at - begin + 1 - extra;
      position_ = at + unit.size;
      return true;
    }
    if (unit.kind == Unit::kSequence) {
      extra += unit.size - utf8::wide_width(buffer_[at]);
      at += unit.size;
      continue;
    }
    if (unit.kind != Unit::kCharacter) return false;
    if (buffer_[at] < 0x80) {  // a control character: copied with the run
      ++at;
      continue;
    }
    copy_blocks(to + size, buffer_ + copied, at - copied);
    size += at - copied;
    size += utf8::encode(character_of(unit, at), to + size);
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

// Runs of plain bytes, up to the next stop, are copied as they are; at every stop the unit there
// is read. The line's size and length are kept in locals on the way, where they stay in
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
    if (run != 0) std::memcpy(to + size, buffer_ + position_, run);
    size += run;
    chars += run;
    position_ += run;
    if (run == room || position_ == end_) continue;  // the line is full, or the buffer used up
    const Unit unit = buffer_unit();
    if (unit.kind == Unit::kUndecided || unit.kind == Unit::kEndMark) {
      position_ += unit.size;  // a read failed, or the end mark is consumed
      break;
    }
    if (unit.kind == Unit::kLineEnd) {
      to[size++] = '\n';
      ++chars;
      position_ += unit.size;
      break;
    }
    if (unit.kind == Unit::kCharacter) {  // one wchar_t: the line has room for it
      size += utf8::encode(character_of(unit, position_), to + size);
      ++chars;
      ++position_;
      continue;
    }
    // Characters of several bytes often come one after another (a line in many scripts): they
    // are taken here for as long as they are wholly buffered.
    bool full = false;
    for (Unit next = unit; next.kind == Unit::kSequence; next = unit_at(position_, false)) {
      const unsigned char* const at = buffer_ + position_;
      const std::size_t width = utf8::wide_width(at[0]);
      full = chars + width > TextLine::kMaxChars;  // a surrogate pair starts the next line
      if (full) break;
      for (std::size_t i = 0; i < 4; ++i)  // at most 4 bytes: copied without a call
        if (i < next.size) to[size + i] = at[i];
      size += next.size;
      chars += width;
      position_ += next.size;
    }
    if (full) break;
  }
  // A line cut short by a failed read is not a line of the input, nor is any after it.
  if (error_ != 0) size = chars = 0;
  line.size = size;
  line.chars = chars;
}

// The unit at position_, reading as many more bytes as it takes to decide it: kUndecided only
// after a failed read.
TextReader::Unit TextReader::buffer_unit() noexcept {
  for (;;) {
    const Unit unit = unit_at(position_, source_ended_);
    if (unit.kind != Unit::kUndecided) return unit;
    if (!ensure_buffered(buffered() + 1) && !source_ended_) return unit;
  }
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
