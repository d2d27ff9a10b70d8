// The seam between the converter and the operating system. Everything the converter reads or
// writes passes through these two interfaces, so tests and the fuzzer can feed it memory or
// make a read or a write fail without a real fault.
#ifndef MIRTABEL_PLATFORM_BYTE_STREAM_H
#define MIRTABEL_PLATFORM_BYTE_STREAM_H

#include <cstddef>
#include <cstring>

namespace mirtabel {

struct ReadResult {
  std::size_t size;  // bytes read; 0 with error 0 means the end of the input
  int error;         // 0, or an errno value when the read failed
};

class ByteSource {
 public:
  // Reads up to `capacity` bytes (capacity > 0) into `buffer`.
  virtual ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept = 0;

 protected:
  ~ByteSource() = default;
};

class ByteSink {
 public:
  // Writes all `size` bytes. Returns 0, or an errno value when they could not all be written.
  virtual int write(const unsigned char* bytes, std::size_t size) noexcept = 0;

 protected:
  ~ByteSink() = default;
};

// Bytes held in memory, read through once.
class BytesSource final : public ByteSource {
 public:
  BytesSource(const unsigned char* bytes, std::size_t size) noexcept : bytes_(bytes), size_(size) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const std::size_t n = capacity < size_ - at_ ? capacity : size_ - at_;
    if (n > 0) std::memcpy(buffer, bytes_ + at_, n);
    at_ += n;
    return {n, 0};
  }

 private:
  const unsigned char* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace mirtabel

#endif
