#include "recipes/buffered_output.h"

#include <cstring>

namespace mirtabel {

void BufferedOutput::put_filling(const char* bytes, std::size_t size) noexcept {
  while (size > 0 && error_ == 0) {
    const std::size_t room = sizeof buffer_ - used_;
    const std::size_t piece = size < room ? size : room;
    std::memcpy(buffer_ + used_, bytes, piece);
    used_ += piece;
    bytes += piece;
    size -= piece;
    if (used_ == sizeof buffer_) flush();
  }
}

int BufferedOutput::flush() noexcept {
  if (used_ > 0 && error_ == 0) {
    error_ = sink_.write(reinterpret_cast<const unsigned char*>(buffer_), used_);
    if (error_ == 0) bytes_written_ += used_;
  }
  used_ = 0;
  return error_;
}

}  // namespace mirtabel
