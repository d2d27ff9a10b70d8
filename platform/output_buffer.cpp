#include "platform/output_buffer.h"

#include <cstring>

namespace mirtabel {

bool OutputBuffer::make_room(std::size_t kept, std::size_t needed) noexcept {
  write_finished();
  std::memmove(bytes_, bytes_ + finished_, kept);
  finished_ = 0;
  const std::size_t wanted = kept + needed > capacity_ ? kept + needed : capacity_;
  end_ = wanted < kCapacity ? wanted : kCapacity;
  return error_ == 0;
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
