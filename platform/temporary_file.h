// Where the file layer notes the temporary file it is writing, so that a program interrupted by
// a signal can remove it before it ends: the note is made before the file is created and cleared
// once the file has been renamed or removed.
#ifndef MIRTABEL_PLATFORM_TEMPORARY_FILE_H
#define MIRTABEL_PLATFORM_TEMPORARY_FILE_H

#include <atomic>
#include <cstddef>

namespace mirtabel {

// The longest file name, in bytes with its terminator, of an output written through a temporary
// file on POSIX (names are at most 255 bytes there).
inline constexpr std::size_t kMaxFileName = 256;

// The longest output path, in UTF-16 units with its terminator, on Windows.
inline constexpr std::size_t kMaxOutputPath = 1024;

struct TemporaryFileNote {
  std::atomic<bool> active{false};
#ifdef _WIN32
  wchar_t path[kMaxOutputPath];
#else
  int directory = -1;  // the temporary file is `name` in this open directory
  char name[kMaxFileName];
#endif
};

// Removes the noted temporary file, if one is noted. Async-signal-safe on POSIX.
void remove_noted_file(TemporaryFileNote& note) noexcept;

}  // namespace mirtabel

#endif
