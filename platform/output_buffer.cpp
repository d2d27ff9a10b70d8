#include "platform/output_buffer.h"

#include <cstring>

namespace mirtabel {
namespace {

// Builds with tiny I/O buffers write out finished bytes as soon as they reach that size, so
// that small test inputs move records to the front of the buffer too.
constexpr std::size_t kEagerWrite = kIoBufferSize < 4096 ? kIoBufferSize : OutputBuffer::kCapacity;

}  // namespace

void OutputBuffer::reserve(std::size_t kept, std::size_t size) noexcept {
  if (finished_ + size <= kCapacity && finished_ < kEagerWrite) return;
  write_finished();
  std::memmove(bytes_, bytes_ + finished_, kept);
  finished_ = 0;
}

int OutputBuffer::flush() noexcept {
  write_finished();
  finished_ = 0;
  return error_;
}

// Once a write has failed, nothing more is written: finished bytes can only be dropped.
void OutputBuffer::write_finished() noexcept {
  if (finished_ == 0 || error_ != 0) return;
  error_ = sink_.write(bytes_, finished_);
  if (error_ == 0) bytes_written_ += finished_;
}

}  // namespace mirtabel
