// The few system calls under the file layer whose failures decide what a conversion leaves
// behind: reading, writing, closing and renaming. They are reached through a table, so that tests
// can make them behave as a real system sometimes does (interrupted, short, writing nothing,
// failing to close or to rename) and check that every such case is handled.
#ifndef MIRTABEL_PLATFORM_SYSTEM_CALLS_H
#define MIRTABEL_PLATFORM_SYSTEM_CALLS_H

#include <cstddef>
#ifndef _WIN32
#include <sys/types.h>
#endif

namespace mirtabel {

#ifdef _WIN32
// ReadFile, WriteFile, CloseHandle and MoveFileExW, with their arguments spelt without
// <windows.h>: each returns nonzero on success, and GetLastError() says why it failed.
struct SystemCalls {
  int (*read_file)(void* handle, void* buffer, unsigned long size, unsigned long* done);
  int (*write_file)(void* handle, const void* bytes, unsigned long size, unsigned long* done);
  int (*close_handle)(void* handle);
  int (*move_file)(const wchar_t* from, const wchar_t* to, unsigned long flags);
};
#else
// read, write, close and renameat, as POSIX defines them.
struct SystemCalls {
  ssize_t (*read)(int fd, void* buffer, std::size_t size);
  ssize_t (*write)(int fd, const void* bytes, std::size_t size);
  int (*close)(int fd);
  int (*renameat)(int from_directory, const char* from, int to_directory, const char* to);
};
#endif

// The table in use: the system's own unless a test has replaced it.
const SystemCalls& system_calls() noexcept;

// The system's own calls, for a test's table to fall back on.
const SystemCalls& native_system_calls() noexcept;

// For tests: routes the file layer through `calls` (which must outlive its use), or back to the
// system with nullptr. Call it only while no file is being read or written.
void replace_system_calls(const SystemCalls* calls) noexcept;

}  // namespace mirtabel

#endif
