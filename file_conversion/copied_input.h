// The input read again: copied as it is read when it cannot be read twice.
#ifndef MIRTABEL_FILE_CONVERSION_COPIED_INPUT_H
#define MIRTABEL_FILE_CONVERSION_COPIED_INPUT_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/file.h"

namespace mirtabel {

// An input read through, and copied on the way into a scratch file when it cannot be read twice
// (a pipe) but will have to be: for the cookbook's second reading, or for the text of recipes
// left out or cut.
class CopiedInput final : public ByteSource {
 public:
  // `input` is read; `regular` is the same input where it can be read at any offset, else null.
  // The bytes read are added to `counter` (when not null) as they arrive, for a progress line.
  CopiedInput(ByteSource& input, RandomAccessFile* regular, bool keep_copy,
              std::atomic<std::uint64_t>* counter = nullptr) noexcept;

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

  // Where the input's bytes can be read again, or why they cannot: returns 0 or an errno value.
  // The copy is whole only once the input has been read to its end.
  int rereadable(RandomAccessFile*& bytes) noexcept;
  // Why the copy could not be made or written, or 0: known from the start when the scratch file
  // could not be created, so that a reading that needs it fails before it begins.
  int copy_error() const noexcept { return copy_error_; }

 private:
  ByteSource& input_;
  RandomAccessFile* regular_;
  std::atomic<std::uint64_t>* counter_;
  bool copying_;
  ScratchFile copy_;
  int copy_error_ = 0;
};

// The input read again from its start, for the cookbook's second reading, through
// CopiedInput::rereadable() once the first reading has ended, its bytes added to `counter` (when
// not null) as they arrive.
class InputAgain final : public ByteSource {
 public:
  InputAgain(CopiedInput& input, std::atomic<std::uint64_t>* counter) noexcept
      : input_(input), counter_(counter) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

 private:
  CopiedInput& input_;
  std::atomic<std::uint64_t>* counter_;
  std::uint64_t offset_ = 0;
};

}  // namespace mirtabel

#endif
