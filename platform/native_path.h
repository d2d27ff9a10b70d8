// A path as the system opens it, made once from what the caller gave: the bytes of a POSIX name
// or the UTF-16 of a Windows one, taken as they are, and otherwise converted by the one codec
// here. The file layer takes nothing else.
#ifndef MIRTABEL_PLATFORM_NATIVE_PATH_H
#define MIRTABEL_PLATFORM_NATIVE_PATH_H

#include <cstddef>

namespace mirtabel {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// The longest path, in the system's units with the terminator, that is converted.
inline constexpr std::size_t kMaxNativePath = 4096;

class NativePath {
 public:
  // The system's own form, taken as it is. On POSIX that is any byte string, UTF-8 or not, as
  // the C API and mxpconvert give it; on Windows its UTF-16.
  explicit NativePath(const NativeChar* path) noexcept : path_(path) {}
  // The other form, converted: on POSIX a wide path (the fixed export's) becomes UTF-8, the code
  // points U+DC80 to U+DCFF standing for the raw bytes 0x80 to 0xFF, so that names which are not
  // valid UTF-8 get through; on Windows UTF-8 becomes UTF-16 and must be valid.
#ifdef _WIN32
  explicit NativePath(const char* utf8) noexcept;
#else
  explicit NativePath(const wchar_t* wide) noexcept;
#endif
  NativePath(const NativePath&) = delete;
  NativePath& operator=(const NativePath&) = delete;

  // 0, or why the path cannot be converted: ENAMETOOLONG, or EILSEQ for a character no path can
  // hold. Every use of a path that failed fails with this.
  int error() const noexcept {
    return error_;
  }
  // The path; empty after a failure.
  const NativeChar* c_str() const noexcept {
    return path_;
  }

 private:
  const NativeChar* path_;
  int error_ = 0;
  NativeChar converted_[kMaxNativePath];
};

}  // namespace mirtabel

#endif
