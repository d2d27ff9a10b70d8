// Text written to a sink through a small buffer, so that a writer of any amount of text takes
// constant memory and the sink gets few, large writes. After a failed write nothing more is
// written.
#ifndef MIRTABEL_RECIPES_BUFFERED_OUTPUT_H
#define MIRTABEL_RECIPES_BUFFERED_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/byte_stream.h"
#include "platform/io_buffer_size.h"

namespace mirtabel {

class BufferedOutput {
 public:
  explicit BufferedOutput(ByteSink& sink) noexcept : sink_(sink) {}
  BufferedOutput(const BufferedOutput&) = delete;
  BufferedOutput& operator=(const BufferedOutput&) = delete;

  // What fits in the buffer is copied there at once; only a put that fills it goes the long way.
  void put(const char* bytes, std::size_t size) noexcept {
    if (size == 0) return;  // an empty view may hold no pointer at all
    if (size < sizeof buffer_ - used_ && error_ == 0) {
      std::memcpy(buffer_ + used_, bytes, size);
      used_ += size;
      return;
    }
    put_filling(bytes, size);
  }
  void put(char c) noexcept {
    if (used_ + 1 < sizeof buffer_ && error_ == 0) {
      buffer_[used_++] = c;
      return;
    }
    put_filling(&c, 1);
  }

  // Writes out what is buffered; returns error().
  int flush() noexcept;
  // 0, or the errno value of the write that failed.
  int error() const noexcept { return error_; }
  std::uint64_t bytes_written() const noexcept { return bytes_written_; }

 private:
  void put_filling(const char* bytes, std::size_t size) noexcept;

  ByteSink& sink_;
  int error_ = 0;
  std::uint64_t bytes_written_ = 0;
  std::size_t used_ = 0;
  static constexpr std::size_t kBufferSize = kIoBufferSize < 4096 ? kIoBufferSize : 4096;
  char buffer_[kBufferSize];
};

}  // namespace mirtabel

#endif
