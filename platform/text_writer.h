// Buffered output of UTF-8 text, the stand-in for a wide-character text stream opened for
// writing. The text is written as it is: no byte-order mark, no line-end translation.
#ifndef MIRTABEL_PLATFORM_TEXT_WRITER_H
#define MIRTABEL_PLATFORM_TEXT_WRITER_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/io_buffer_size.h"

namespace mirtabel {

class TextWriter {
 public:
  explicit TextWriter(ByteSink& sink) noexcept : sink_(sink) {}
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Queues `size` bytes. After a failure nothing more is written.
  void write(const unsigned char* bytes, std::size_t size) noexcept;

  // Writes out what is queued. Returns error().
  int flush() noexcept;

  // 0, or the errno value of the write that failed.
  int error() const noexcept { return error_; }

  // Bytes the sink has taken so far.
  std::uint64_t bytes_written() const noexcept { return bytes_written_; }

 private:
  void write_to_sink(const unsigned char* bytes, std::size_t size) noexcept;

  ByteSink& sink_;
  std::size_t used_ = 0;
  int error_ = 0;
  std::uint64_t bytes_written_ = 0;
  unsigned char buffer_[kIoBufferSize];
};

}  // namespace mirtabel

#endif
