// In-memory byte sources and sinks for driving the conversion without files, with the means to
// deliver input in small pieces and to make a read or a write fail.
#ifndef MIRTABEL_TESTS_SUPPORT_MEMORY_STREAMS_H
#define MIRTABEL_TESTS_SUPPORT_MEMORY_STREAMS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/convert_mxp.h"
#include "platform/byte_stream.h"
#include "platform/file.h"

namespace mirtabel::testing {

// Read in order, or at any offset as a regular file can be, in the same pieces.
class MemorySource final : public ByteSource, public RandomAccessFile {
 public:
  explicit MemorySource(std::string bytes, std::size_t max_piece = static_cast<std::size_t>(-1))
      : bytes_(std::move(bytes)), max_piece_(max_piece) {}

  // Makes the read that would pass byte offset `offset` fail with `error`.
  void fail_at(std::size_t offset, int error) {
    fail_offset_ = offset;
    fail_error_ = error;
  }

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    std::size_t n = bytes_.size() - position_;
    if (n > capacity) n = capacity;
    if (n > max_piece_) n = max_piece_;
    if (fail_error_ != 0 && position_ + n > fail_offset_) return {0, fail_error_};
    bytes_.copy(reinterpret_cast<char*>(buffer), n, position_);
    position_ += n;
    return {n, 0};
  }

  ReadResult read_at(std::uint64_t offset, unsigned char* buffer,
                     std::size_t capacity) noexcept override {
    if (offset >= bytes_.size()) return {0, 0};
    std::size_t n = bytes_.size() - static_cast<std::size_t>(offset);
    if (n > capacity) n = capacity;
    if (n > max_piece_) n = max_piece_;
    bytes_.copy(reinterpret_cast<char*>(buffer), n, static_cast<std::size_t>(offset));
    return {n, 0};
  }

  // Bytes delivered so far.
  std::size_t position() const { return position_; }

 private:
  std::string bytes_;
  std::size_t max_piece_;
  std::size_t position_ = 0;
  std::size_t fail_offset_ = 0;
  int fail_error_ = 0;
};

class MemorySink final : public ByteSink {
 public:
  enum class Failing { kFromThenOn, kOnce };

  // Makes writes fail with `error` once `limit` bytes have been taken (a full disk). With
  // Failing::kOnce only the first such write fails and later ones are taken again, as after a
  // passing fault, so that a writer that goes on after a failure shows.
  void fail_after(std::size_t limit, int error, Failing failing = Failing::kFromThenOn) {
    limit_ = limit;
    fail_error_ = error;
    failing_ = failing;
  }

  // Notes how far `source` had been read when the first write failed.
  void watch(const MemorySource& source) { watched_ = &source; }

  int write(const unsigned char* bytes, std::size_t size) noexcept override {
    if (failures_ > 0) ++writes_after_failure_;
    const bool may_fail = failures_ == 0 || failing_ == Failing::kFromThenOn;
    if (fail_error_ != 0 && may_fail && text_.size() + size > limit_) {
      if (failures_++ == 0 && watched_ != nullptr) read_at_failure_ = watched_->position();
      return fail_error_;
    }
    text_.append(reinterpret_cast<const char*>(bytes), size);
    return 0;
  }

  const std::string& text() const { return text_; }
  // Writes attempted after the first failed one.
  std::size_t writes_after_failure() const { return writes_after_failure_; }
  // The watched source's position() at the first failed write.
  std::size_t read_at_failure() const { return read_at_failure_; }

 private:
  std::string text_;
  std::size_t limit_ = 0;
  int fail_error_ = 0;
  Failing failing_ = Failing::kFromThenOn;
  std::size_t failures_ = 0;
  std::size_t writes_after_failure_ = 0;
  const MemorySource* watched_ = nullptr;
  std::size_t read_at_failure_ = 0;
};

struct Converted {
  std::string output;
  std::int32_t records;
  int error;
};

// Converts `input` in memory, delivered in pieces of at most `max_piece` bytes.
inline Converted convert_text(const std::string& input,
                              std::size_t max_piece = static_cast<std::size_t>(-1)) {
  MemorySource source(input, max_piece);
  MemorySink sink;
  const ConversionResult result = convert_mxp(source, sink);
  return {sink.text(), result.records, result.error};
}

}  // namespace mirtabel::testing

#endif
