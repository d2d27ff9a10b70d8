#include "file_conversion/copied_input.h"

#include <cerrno>

namespace mirtabel {

CopiedInput::CopiedInput(ByteSource& input, RandomAccessFile* regular, bool keep_copy,
                         std::atomic<std::uint64_t>* counter) noexcept
    : input_(input),
      regular_(regular),
      counter_(counter),
      copying_(keep_copy && regular == nullptr) {
  if (copying_) copy_error_ = copy_.create();
}

ReadResult CopiedInput::read(unsigned char* buffer, std::size_t capacity) noexcept {
  const ReadResult result = input_.read(buffer, capacity);
  if (counter_ != nullptr) counter_->fetch_add(result.size, std::memory_order_relaxed);
  if (copying_ && result.size > 0 && copy_error_ == 0)
    copy_error_ = copy_.write(buffer, result.size);
  return result;
}

int CopiedInput::rereadable(RandomAccessFile*& bytes) noexcept {
  if (regular_ != nullptr) {
    bytes = regular_;
    return 0;
  }
  if (!copying_) return ESPIPE;
  bytes = &copy_;
  return copy_error_;
}

ReadResult InputAgain::read(unsigned char* buffer, std::size_t capacity) noexcept {
  RandomAccessFile* bytes = nullptr;
  if (const int error = input_.rereadable(bytes)) return {0, error};
  const ReadResult result = bytes->read_at(offset_, buffer, capacity);
  offset_ += result.size;
  if (counter_ != nullptr) counter_->fetch_add(result.size, std::memory_order_relaxed);
  return result;
}

}  // namespace mirtabel
