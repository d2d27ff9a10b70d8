// The input and output files of one conversion, opened by wide-character path. Each closes its
// file when it goes out of scope, on every path.
#ifndef MIRTABEL_PLATFORM_FILE_H
#define MIRTABEL_PLATFORM_FILE_H

#include <cstddef>

#include "platform/byte_stream.h"

namespace mirtabel {

#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

class InputFile final : public ByteSource {
 public:
  InputFile() noexcept = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens an existing file for reading. Returns 0, or an errno value (EISDIR for a directory).
  int open(const wchar_t* path) noexcept;
  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

  NativeHandle handle() const noexcept { return handle_; }

 private:
  NativeHandle handle_{};
  bool is_open_ = false;
};

class OutputFile final : public ByteSink {
 public:
  OutputFile() noexcept = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates the file, or empties an existing one, for writing. Refuses (EINVAL) a path that names
  // `input` itself, through the same name, a hard link or a symbolic link, and leaves it intact.
  // Returns 0 or an errno value.
  int create(const wchar_t* path, const InputFile& input) noexcept;
  int write(const unsigned char* bytes, std::size_t size) noexcept override;

  // Closes the file; returns 0 or the errno value of a failed close.
  int close() noexcept;

 private:
  NativeHandle handle_{};
  bool is_open_ = false;
};

}  // namespace mirtabel

#endif
