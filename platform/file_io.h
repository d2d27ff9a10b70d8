// The loops over the system calls of the seam that every file of the platform layer reads,
// writes and closes with.
#ifndef MIRTABEL_PLATFORM_FILE_IO_H
#define MIRTABEL_PLATFORM_FILE_IO_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/file.h"

namespace mirtabel::file_io {

// One read of at most `capacity` bytes, repeated when interrupted before anything arrived.
ReadResult read_some(NativeHandle file, unsigned char* buffer, std::size_t capacity) noexcept;

// Writes all `size` bytes, however few each call takes. Returns 0 or an errno value; a write
// that takes nothing gives ENOSPC, as the system has no room for more.
int write_all(NativeHandle file, const unsigned char* bytes, std::size_t size) noexcept;

// Reads up to `capacity` bytes at `offset` of a file that can be read at any offset.
ReadResult read_at(NativeHandle file, std::uint64_t offset, unsigned char* buffer,
                   std::size_t capacity) noexcept;

// The process's standard input or output. Returns 0, or EBADF when there is none.
int standard_stream(bool output, NativeHandle& file) noexcept;

// Closes the file; returns 0 or the errno value of a failed close (the file is closed anyway).
int close_file(NativeHandle file) noexcept;

// Whether two open files are one regular file (the same file on the same device, whatever the
// path).
// Returns 0 or an errno value.
int same_file(NativeHandle a, NativeHandle b, bool& same) noexcept;

// The access of a regular file; false for anything else, and on Windows.
bool file_access(NativeHandle file, FileAccess& access) noexcept;

#ifdef _WIN32
// A Windows error code as the errno value a C runtime would give for it.
int errno_from(unsigned long windows_error) noexcept;
// GetLastError() as an errno value.
int last_errno() noexcept;
#endif

}  // namespace mirtabel::file_io

#endif
