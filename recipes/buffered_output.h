// Text written to a sink through a small buffer, so that a writer of any amount of text takes
// constant memory and the sink gets few, large writes. After a failed write nothing more is
// written.
#ifndef MIRTABEL_RECIPES_BUFFERED_OUTPUT_H
#define MIRTABEL_RECIPES_BUFFERED_OUTPUT_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/io_buffer_size.h"

namespace mirtabel {

class BufferedOutput {
 public:
  explicit BufferedOutput(ByteSink& sink) noexcept : sink_(sink) {}
  BufferedOutput(const BufferedOutput&) = delete;
  BufferedOutput& operator=(const BufferedOutput&) = delete;

  void put(const char* bytes, std::size_t size) noexcept;
  void put(char c) noexcept { put(&c, 1); }

  // Writes out what is buffered; returns error().
  int flush() noexcept;
  // 0, or the errno value of the write that failed.
  int error() const noexcept { return error_; }
  std::uint64_t bytes_written() const noexcept { return bytes_written_; }

 private:
  ByteSink& sink_;
  int error_ = 0;
  std::uint64_t bytes_written_ = 0;
  std::size_t used_ = 0;
  static constexpr std::size_t kBufferSize = kIoBufferSize < 4096 ? kIoBufferSize : 4096;
  char buffer_[kBufferSize];
};

}  // namespace mirtabel

#endif
