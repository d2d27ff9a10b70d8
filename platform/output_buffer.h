// The output's buffer, in which records are built where they will be written. Its front holds
// finished bytes that wait to be written; behind them the caller builds the record it is working
// on, which may still be dropped, and decodes lines right behind that. Finished bytes go out only
// when the buffer needs their room, so writes are large and each byte is copied into the buffer
// once.
#ifndef MIRTABEL_PLATFORM_OUTPUT_BUFFER_H
#define MIRTABEL_PLATFORM_OUTPUT_BUFFER_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/io_buffer_size.h"

namespace mirtabel {

class OutputBuffer {
 public:
  // Just over the largest record under construction (58,451 bytes; checked where records are
  // built), in whole cache lines: every byte more is stack that a conversion holds.
  static constexpr std::size_t kCapacity = 58496;

  // Two knobs for tests, which move records against the buffer's ends with small inputs: a
  // non-zero `write_at` writes finished bytes as soon as that many are held, and a non-zero
  // `capacity` uses only that many bytes of the buffer, except where a record needs more (see
  // make_room()).
  explicit OutputBuffer(ByteSink& sink, std::size_t write_at = 0, std::size_t capacity = 0) noexcept
      : sink_(sink),
        write_at_(write_at != 0 && write_at < kEagerWrite ? write_at : kEagerWrite),
        capacity_(capacity != 0 && capacity < kCapacity ? capacity : kCapacity),
        end_(capacity_) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Where the record being built starts: the first byte that is not finished yet. Moves when
  // make_room() makes room.
  unsigned char* record() noexcept { return bytes_ + finished_; }

  // Bytes from record() on that may be used as they are.
  std::size_t room() const noexcept {
    return finished_ < write_at_ && finished_ < end_ ? end_ - finished_ : 0;
  }

  // Makes the buffer's whole capacity the room: writes out the finished bytes and moves the
  // first `kept` bytes from record() on, the record's so far, to the front. A capacity set
  // smaller than `kept` + `needed` yields to them, so that the record has the room it needs
  // whatever the knob. Returns false when that write failed, now or before; the finished bytes
  // are then dropped instead, and the room is there all the same.
  bool make_room(std::size_t kept, std::size_t needed) noexcept;

  // The first `size` bytes from record() on are finished: they belong to the output now.
  void finish(std::size_t size) noexcept { finished_ += size; }

  // Writes out the finished bytes, at the end of the output; an unfinished record is dropped.
  // Returns error().
  int flush() noexcept;

  // 0, or the errno value of the write that failed. After a failure nothing more is written.
  int error() const noexcept { return error_; }

  // Bytes the sink has taken so far.
  std::uint64_t bytes_written() const noexcept { return bytes_written_; }

 private:
  // Builds with tiny I/O buffers write out finished bytes as soon as they reach that size, so
  // that small test inputs move records to the front of the buffer too.
  static constexpr std::size_t kEagerWrite = kIoBufferSize < 4096 ? kIoBufferSize : kCapacity;

  void write_finished() noexcept;

  ByteSink& sink_;
  std::size_t write_at_;
  std::size_t capacity_;  // the capacity in use, as set
  std::size_t end_;       // the capacity in use now: capacity_, or what a record needs
  std::size_t finished_ = 0;
  int error_ = 0;
  std::uint64_t bytes_written_ = 0;
  unsigned char bytes_[kCapacity];
};

}  // namespace mirtabel

#endif
