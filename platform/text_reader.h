// Reads an input's bytes as lines of characters, the stand-in for a wide-character text stream.
// Each line is decoded straight to where the caller builds its output, as UTF-8.
//
// Encoding: a byte-order mark selects UTF-8 (EF BB BF), UTF-16LE (FF FE) or UTF-16BE (FE FF) and
// is not text. Without one the input is in the reader's InputEncoding: by default UTF-8, in which
// every byte that does not begin a valid, shortest-form sequence is decoded alone as
// Windows-1252; or a single-byte code page. In UTF-16 input an unpaired surrogate becomes U+FFFD
// and an odd final byte is dropped.
// Line ends: CR LF and a lone CR are read as one line feed. A Ctrl-Z (U+001A) that is the very
// last character of the input is an end-of-file mark and not text.
#ifndef MIRTABEL_PLATFORM_TEXT_READER_H
#define MIRTABEL_PLATFORM_TEXT_READER_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/input_encoding.h"
#include "platform/io_buffer_size.h"
#include "platform/plain_run.h"
#include "platform/text_line.h"

namespace mirtabel {

class TextReader {
 public:
  // `copy_plain_run` is the inner loop to use (see platform/simd_path.h). A non-zero
  // `buffer_limit` (at least 8) caps the bytes held at once, so that tests reach the buffer's
  // end with small inputs.
  TextReader(ByteSource& source, InputEncoding without_mark, CopyPlainRun copy_plain_run,
             std::size_t buffer_limit = 0) noexcept
      : source_(source),
        copy_plain_run_(copy_plain_run),
        high_half_(high_half(without_mark)),
        single_byte_(without_mark != InputEncoding::kUtf8),
        capacity_(buffer_limit >= 8 && buffer_limit < kIoBufferSize ? buffer_limit
                                                                    : kIoBufferSize) {}
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Decodes the characters up to and including the next line feed to `to`, which has room for
  // TextLine::kMaxBytes, but never more than TextLine::kMaxChars of them; the rest of a longer
  // line comes back from the next read. Returns false, with `line` empty, when no character is
  // left, and from the first failed read on.
  bool read_line(unsigned char* to, TextLine& line) noexcept {
    line.bytes = to;
    if (encoding_ != Encoding::kUtf8 || error_ != 0) {
      read_first_or_utf16_line(to, line);
      return line.chars > 0;
    }
    // Most lines are plain ASCII and wholly buffered: one run copies them.
    const std::size_t limit = buffered() < TextLine::kMaxChars ? buffered() : TextLine::kMaxChars;
    const std::size_t run = copy_plain_run_(buffer_ + position_, to, limit);
    if (run < limit) {
      // A line feed, or a CR LF whose two bytes are both buffered, ends the line here.
      const unsigned char* stop = buffer_ + position_ + run;
      const std::size_t end_size = stop[0] == '\n'                                              ? 1
                                   : stop[0] == '\r' && run + 1 < buffered() && stop[1] == '\n' ? 2
                                                                                                : 0;
      if (end_size != 0) {
        to[run] = '\n';
        position_ += run + end_size;
        line.size = line.chars = run + 1;
        return true;
      }
    }
    position_ += run;
    read_utf8_line(to, line, run);
    return line.chars > 0;
  }

  // 0, or the errno value of the read that failed.
  int error() const noexcept { return error_; }

  // Bytes taken from the source so far.
  std::uint64_t bytes_read() const noexcept { return bytes_read_; }

  // Input offset of the next byte a read decodes: the bytes of the lines read so far, a
  // byte-order mark included.
  std::uint64_t offset() const noexcept { return bytes_read_ - buffered(); }

 private:
  enum class Encoding { kUndetected, kUtf8, kUtf16LE, kUtf16BE };

  // One decoded character, not yet consumed.
  struct Decoded {
    char32_t code_point;
    std::size_t byte_count;  // bytes it takes in the buffer
    bool is_end_mark;        // the final Ctrl-Z: consume it and stop
  };

  std::size_t buffered() const noexcept { return end_ - position_; }
  bool ensure_buffered(std::size_t count) noexcept;
  void detect_encoding() noexcept;
  void read_utf8_line(unsigned char* to, TextLine& line, std::size_t copied = 0) noexcept;
  // The first line, every line of UTF-16 input, and every line after a failed read.
  void read_first_or_utf16_line(unsigned char* to, TextLine& line) noexcept;
  bool copy_utf8_sequence(unsigned char* to, TextLine& line) noexcept;
  bool append(const Decoded& next, unsigned char* to, TextLine& line) noexcept;
  Decoded peek_utf8() noexcept;
  Decoded peek_utf16() noexcept;
  char32_t utf16_unit(std::size_t offset) const noexcept;

  ByteSource& source_;
  CopyPlainRun copy_plain_run_;
  const char16_t* high_half_;  // characters of the bytes 0x80..0xFF read alone
  bool single_byte_;           // without a byte-order mark every byte is one character
  std::size_t capacity_;       // bytes of buffer_ in use
  Encoding encoding_ = Encoding::kUndetected;
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  bool source_ended_ = false;
  int error_ = 0;
  std::uint64_t bytes_read_ = 0;
  unsigned char buffer_[kIoBufferSize];
};

}  // namespace mirtabel

#endif
