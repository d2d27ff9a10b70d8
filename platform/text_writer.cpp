#include "platform/text_writer.h"

#include <cstring>

namespace mirtabel {

void TextWriter::write(const unsigned char* bytes, std::size_t size) noexcept {
  while (size > 0 && error_ == 0) {
    if (used_ == 0 && size >= sizeof buffer_) {
      write_to_sink(bytes, size);  // large pieces skip the buffer
      return;
    }
    std::size_t room = sizeof buffer_ - used_;
    std::size_t piece = size < room ? size : room;
    std::memcpy(buffer_ + used_, bytes, piece);
    used_ += piece;
    bytes += piece;
    size -= piece;
    if (used_ == sizeof buffer_) flush();
  }
}

int TextWriter::flush() noexcept {
  if (used_ > 0 && error_ == 0) write_to_sink(buffer_, used_);
  used_ = 0;
  return error_;
}

void TextWriter::write_to_sink(const unsigned char* bytes, std::size_t size) noexcept {
  error_ = sink_.write(bytes, size);
  if (error_ == 0) bytes_written_ += size;
}

}  // namespace mirtabel
