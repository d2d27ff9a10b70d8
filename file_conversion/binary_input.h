// Inputs that are no text at all: a document, a picture or an archive given by mistake. The
// conversion turns any bytes into records, so the hosts refuse such an input before its records
// are put in place, unless told to convert it all the same.
#ifndef MIRTABEL_FILE_CONVERSION_BINARY_INPUT_H
#define MIRTABEL_FILE_CONVERSION_BINARY_INPUT_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/file.h"

namespace mirtabel {

// The bytes of an input's start in which a NUL byte marks a binary file.
inline constexpr std::size_t kBinaryCheckBytes = 32 * 1024;

// What an input that starts with `bytes` is by its signature: "a PDF document", "a PNG image",
// "a JPEG image", "a ZIP archive" or "a gzip-compressed file"; null for any other start.
const char* binary_signature(const unsigned char* bytes, std::size_t size) noexcept;

// The input, judged as it is read: its reads fail with EILSEQ once it is known to be binary, by
// its signature or by a NUL byte in its first kBinaryCheckBytes (text in UTF-16 aside). When the
// input can be read at any offset, all of those bytes are judged at the first read, before any
// of them is handed on.
class BinaryCheck final : public ByteSource {
 public:
  BinaryCheck(ByteSource& input, RandomAccessFile* regular) noexcept
      : input_(input), regular_(regular) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

  // Null, or what the input looks like ("a PDF document", "a binary file with NUL bytes").
  const char* refused_as() const noexcept { return refused_as_; }

 private:
  void look_at(const unsigned char* bytes, std::size_t size) noexcept;
  void judge(bool ended) noexcept;

  ByteSource& input_;
  RandomAccessFile* regular_;
  const char* refused_as_ = nullptr;
  bool judged_whole_ = false;  // the start of a regular input has been judged
  bool nul_ = false;           // a NUL byte within the start
  std::uint64_t looked_at_ = 0;
  unsigned char start_[16];
  std::size_t start_size_ = 0;
};

}  // namespace mirtabel

#endif
