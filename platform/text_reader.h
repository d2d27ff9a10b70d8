// Reads an input's bytes as lines of characters, the stand-in for a wide-character text stream.
// Each line is decoded straight to where the caller builds its output, as UTF-8.
//
// Encoding: a byte-order mark selects UTF-8 (EF BB BF), UTF-16LE (FF FE) or UTF-16BE (FE FF) and
// is not text. Without one the input is in the reader's InputEncoding: by default UTF-8, in which
// every byte that does not begin a valid, shortest-form sequence is decoded alone as
// Windows-1252; or a single-byte code page; or, for kChoose, UTF-8 whose bytes that are not
// UTF-8 are read as the code page chosen from the input at the first of them
// (platform/encoding_choice.h). In UTF-16 input an unpaired surrogate becomes U+FFFD and an odd
// final byte is dropped.
// Line ends: CR LF and a lone CR are read as one line feed. A Ctrl-Z (U+001A) that is the very
// last character of the input is an end-of-file mark and not text.
#ifndef MIRTABEL_PLATFORM_TEXT_READER_H
#define MIRTABEL_PLATFORM_TEXT_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/byte_stream.h"
#include "platform/encoding_choice.h"
#include "platform/file.h"
#include "platform/input_encoding.h"
#include "platform/io_buffer_size.h"
#include "platform/plain_run.h"
#include "platform/text_line.h"
#include "platform/utf8.h"

namespace mirtabel {

class TextReader {
 public:
  // `mark_stops` is the inner loop to use (see platform/simd_path.h). A non-zero `buffer_limit`
  // (at least 8) caps the bytes held at once, so that tests reach the buffer's end with small
  // inputs. For kChoose, `whole_input` is the source's input as a file that can be read at any
  // offset (a regular file), from which all of it is scanned for the choice; without it, what the
  // buffer holds at the first byte that is not UTF-8 decides, the buffer being filled whole until
  // then however the source hands its bytes over.
  TextReader(ByteSource& source, InputEncoding without_mark, MarkStops mark_stops,
             std::size_t buffer_limit = 0, RandomAccessFile* whole_input = nullptr) noexcept
      : source_(source),
        whole_input_(whole_input),
        mark_stops_(mark_stops),
        capacity_(buffer_limit >= 8 && buffer_limit < kIoBufferSize ? buffer_limit
                                                                    : kIoBufferSize) {
    read_without_mark_as(without_mark);
    mark_buffered_stops();
  }
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Decodes the characters up to and including the next line feed to `to`, which has room for
  // TextLine::kMaxBytes, but never more than TextLine::kMaxChars of them; the rest of a longer
  // line comes back from the next read. Returns false, with `line` empty, when no character is
  // left, and from the first failed read on.
  bool read_line(unsigned char* to, TextLine& line) noexcept {
    line.bytes = to;
    if (takes_buffered_lines_) {
      // Most lines are ASCII, with now and then a character of two bytes of UTF-8 (é, °, ½),
      // end with LF or CR LF and lie wholly in the buffer: one copy takes them.
      const std::size_t begin = position_;
      std::size_t stop = next_stop(begin);
      std::size_t extra = 0;  // bytes of two-byte characters beyond their length in characters
      for (; starts_two_byte_character(stop); stop = next_stop(stop + 2))
        ++extra;
      const std::size_t size = stop - begin;
      const Unit end = unit_at(stop, false);
      if (end.kind == Unit::kLineEnd && size < TextLine::kMaxChars) {
        copy_blocks(to, buffer_ + begin, size);
        to[size] = '\n';
        position_ = stop + end.size;
        line.size = size + 1;
        line.chars = size + 1 - extra;
        return true;
      }
      if (read_buffered_line(to, line, stop, extra)) return true;
    }
    read_line_slowly(to, line);
    return line.chars > 0;
  }

  // 0, or the errno value of the read that failed.
  int error() const noexcept { return error_; }

  // Bytes taken from the source so far.
  std::uint64_t bytes_read() const noexcept { return bytes_read_; }

  // Input offset of the next byte a read decodes: the bytes of the lines read so far, a
  // byte-order mark included.
  std::uint64_t offset() const noexcept { return bytes_read_ - buffered(); }

  // How the input is read: the encoding named, the byte-order mark, or for kChoose the choice
  // made and its signs (kNoStrayByte until a byte that is not UTF-8 is read).
  const EncodingChoice& encoding_choice() const noexcept { return choice_; }

 private:
  enum class Encoding { kUndetected, kUtf8, kUtf16LE, kUtf16BE };

  static constexpr unsigned char kCtrlZ = 0x1A;
  // What every byte from 0x80 up reads as until kChoose has chosen: no code page gives it.
  static constexpr char16_t kUnchosen = 0xFFFF;

  // What the input bytes at a stop are in UTF-8 input (or a single-byte code page). Every way of
  // reading such a line, the copies of whole buffered lines and the byte-by-byte decoder, takes
  // its line ends, end mark and characters from unit_at() (a lone byte's through character_of()).
  struct Unit {
    enum Kind : unsigned char {
      kLineEnd,    // LF, CR LF or a CR alone: read as one line feed
      kEndMark,    // a Ctrl-Z that is the input's last byte: not text
      kSequence,   // a valid, shortest-form UTF-8 sequence: copied as it stands
      kCharacter,  // any other byte, read alone: ASCII as it is, 0x80..0xFF from the code page
      kUndecided,  // the bytes that decide it are not buffered yet
    };
    Kind kind;
    std::size_t size;     // input bytes it takes
    char32_t code_point;  // a kCharacter's character
  };

  // The unit at buffer_[at], from the bytes buffered so far; `input_ends` says that no byte
  // follows them. At end_ (with nothing buffered) it reads the 0 behind them: a character.
  Unit unit_at(std::size_t at, bool input_ends) const noexcept {
    const unsigned char* const b = buffer_ + at;
    // The usual line ends first. The byte behind the buffered ones is 0, so b[1] can be read
    // even at the last buffered byte, and a CR there is not taken for CR LF.
    if (b[0] == '\n') return {Unit::kLineEnd, 1, 0};
    if (b[0] == '\r' && b[1] == '\n') return {Unit::kLineEnd, 2, 0};
    const std::size_t available = end_ - at;
    if (b[0] == '\r' || b[0] == kCtrlZ) {
      // Only the byte behind tells a lone CR from the start of CR LF, and the end mark from a
      // Ctrl-Z within the text.
      if (available == 1 && !input_ends) return {Unit::kUndecided, 0, 0};
      if (b[0] == '\r') return {Unit::kLineEnd, 1, 0};
      return {available == 1 ? Unit::kEndMark : Unit::kCharacter, 1, kCtrlZ};
    }
    if (b[0] < 0x80) return {Unit::kCharacter, 1, b[0]};
    if (!single_byte_) {
      if (available < 4 && !input_ends) return {Unit::kUndecided, 0, 0};  // a sequence may go on
      const std::size_t length = utf8::valid_sequence_length(b, available);
      if (length != 0) return {Unit::kSequence, length, 0};
    }
    return {Unit::kCharacter, 1, high_half_[b[0] - 0x80]};
  }

  // The character of the kCharacter unit at buffer_[at]: the code page's, but where code page
  // 437's degree signs are read, a 0xF8 (ø in Windows-1252) in a degree sign's place is one, and
  // until the code page is chosen (a byte reads as kUnchosen), the byte has it chosen. Only the
  // decoders of lines with such characters ask, so that the inner loops stay as fast.
  char32_t character_of(const Unit& unit, std::size_t at) noexcept {
    if (unit.code_point == 0x00F8 && dos_degrees_) return degree_or_letter(at);
    return unit.code_point == kUnchosen ? chosen_character(at) : unit.code_point;
  }

  // One decoded character of UTF-16 input, not yet consumed.
  struct Decoded {
    char32_t code_point;
    std::size_t byte_count;  // bytes it takes in the buffer
    bool is_end_mark;        // the final Ctrl-Z: consume it and stop
  };

  // Room behind the buffered bytes, so that stops are marked in whole blocks and lines are
  // copied in blocks of 16 bytes.
  static constexpr std::size_t kSlack = kMarkBlock;
  static constexpr std::size_t kCopyBlock = 16;

  std::size_t buffered() const noexcept { return end_ - position_; }

  // Offset of the first stop at or after `from` (at most end_, which is marked as a stop too).
  // The marks of the 57 to 64 bytes from `from` on are read at once, from the byte of marks that
  // holds its own, so that most lines' end is found without a branch that depends on where in a
  // word of marks the line lies.
  std::size_t next_stop(std::size_t from) const noexcept {
    for (;;) {
      std::uint64_t bits;
      std::memcpy(&bits, reinterpret_cast<const unsigned char*>(stops_) + from / 8, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      bits = __builtin_bswap64(bits);
#endif
      bits >>= from % 8;
      if (bits != 0) return from + static_cast<std::size_t>(__builtin_ctzll(bits));
      from += 56;
    }
  }

  // Whether the stop at `at` begins a valid two-byte UTF-8 sequence: the commonest kSequence,
  // tested alone where lines are copied whole. The byte behind the buffered ones is 0, never a
  // continuation byte.
  bool starts_two_byte_character(std::size_t at) const noexcept {
    return !single_byte_ && buffer_[at] - 0xC2u < 0x1Eu && (buffer_[at + 1] & 0xC0) == 0x80;
  }

  // Copies `size` bytes in blocks of 16, the first 64 bytes whatever `size` is, so that most
  // lines take no loop: up to 63 bytes past `size` are read and written too.
  static void copy_blocks(unsigned char* to, const unsigned char* from, std::size_t size) noexcept {
    for (std::size_t i = 0; i < 4 * kCopyBlock; i += kCopyBlock)
      std::memcpy(to + i, from + i, kCopyBlock);
    for (std::size_t i = 4 * kCopyBlock; i < size; i += kCopyBlock)
      std::memcpy(to + i, from + i, kCopyBlock);
  }

  bool read_buffered_line(unsigned char* to, TextLine& line, std::size_t stop,
                          std::size_t extra) noexcept;
  void read_line_slowly(unsigned char* to, TextLine& line) noexcept;
  void mark_buffered_stops() noexcept;
  bool ensure_buffered(std::size_t count) noexcept;
  void detect_encoding() noexcept;
  char32_t degree_or_letter(std::size_t at) const noexcept;
  char32_t chosen_character(std::size_t at) noexcept;
  void choose_code_page() noexcept;
  void choose_from_buffer() noexcept;
  void choose_from_whole_input() noexcept;
  void read_without_mark_as(InputEncoding encoding) noexcept;
  void read_utf8_line(unsigned char* to, TextLine& line) noexcept;
  void read_utf16_line(unsigned char* to, TextLine& line) noexcept;
  Unit buffer_unit() noexcept;
  bool append(const Decoded& next, unsigned char* to, TextLine& line) noexcept;
  Decoded peek_utf16() noexcept;
  char32_t utf16_unit(std::size_t offset) const noexcept;

  ByteSource& source_;
  RandomAccessFile* whole_input_;
  MarkStops mark_stops_;
  const char16_t* high_half_ = nullptr;  // characters of the bytes 0x80..0xFF read alone
  bool single_byte_ = false;             // without a byte-order mark every byte is one character
  bool dos_degrees_ = false;             // a lone 0xF8 in a degree sign's place is one
  std::size_t capacity_;                 // bytes of buffer_ in use
  Encoding encoding_ = Encoding::kUndetected;
  bool takes_buffered_lines_ = false;  // the input is UTF-8 and no read has failed
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  bool source_ended_ = false;
  int error_ = 0;
  std::uint64_t bytes_read_ = 0;
  // The marks of the stops: the mark of buffer_[i] is bit i % 8 of byte i / 8, for every
  // i < end_, and that of i == end_ is set too. The bits after it are clear in its word; any marks
  // in the words after that are never reached.
  std::uint64_t stops_[kIoBufferSize / kMarkBlock + 2] = {};
  unsigned char buffer_[kIoBufferSize + kSlack];
  // Seldom used, behind what every line uses.
  BytesBefore before_;  // the two bytes before buffer_[0]
  EncodingChoice choice_;
};

}  // namespace mirtabel

#endif
