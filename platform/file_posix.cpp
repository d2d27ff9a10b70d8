#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file.h"
#include "platform/file_io.h"
#include "platform/native_path.h"
#include "platform/system_calls.h"

namespace mirtabel {
namespace file_io {
namespace {

// A descriptor opened without blocking (a standard stream can be) is waited on, not polled.
void wait_until_ready(int fd, short events) noexcept {
  pollfd ready{fd, events, 0};
  while (::poll(&ready, 1, -1) < 0 && errno == EINTR) {
  }
}

}  // namespace

ReadResult read_some(int fd, unsigned char* buffer, std::size_t capacity) noexcept {
  for (;;) {
    const ssize_t count = system_calls().read(fd, buffer, capacity);
    if (count >= 0) return {static_cast<std::size_t>(count), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      wait_until_ready(fd, POLLIN);
    } else if (errno != EINTR) {
      return {0, errno};
    }
  }
}

int write_all(int fd, const unsigned char* bytes, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t count = system_calls().write(fd, bytes, size);
    if (count < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        wait_until_ready(fd, POLLOUT);
      } else if (errno != EINTR) {
        return errno;
      }
      continue;
    }
    if (count == 0) return ENOSPC;
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return 0;
}

int close_file(int fd) noexcept {
  // Not repeated after EINTR: the descriptor is gone by then, and may already be another file's.
  return system_calls().close(fd) == 0 ? 0 : errno;
}

ReadResult read_at(int fd, std::uint64_t offset, unsigned char* buffer,
                   std::size_t capacity) noexcept {
  for (;;) {
    const ssize_t count = ::pread(fd, buffer, capacity, static_cast<off_t>(offset));
    if (count >= 0) return {static_cast<std::size_t>(count), 0};
    if (errno != EINTR) return {0, errno};
  }
}

int standard_stream(bool output, int& fd) noexcept {
  fd = output ? STDOUT_FILENO : STDIN_FILENO;
  return 0;
}

int same_file(int a, int b, bool& same) noexcept {
  struct stat sa, sb;
  if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0) return errno;
  // A terminal or a device may well be both; only a file can be written over while it is read.
  same = S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return 0;
}

bool file_access(int fd, FileAccess& access) noexcept {
  struct stat status;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  access = {static_cast<unsigned>(status.st_mode & 07777), status.st_uid, status.st_gid};
  return true;
}

}  // namespace file_io

int InputFile::adopt(int fd, bool owned) noexcept {
  struct stat status;
  const int error = ::fstat(fd, &status) != 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
  if (error != 0) {
    if (owned) file_io::close_file(fd);
    return error;
  }
  handle_ = fd;
  is_open_ = true;
  owned_ = owned;
  regular_ = S_ISREG(status.st_mode);
  // A standard input may have been read from already: its offsets count from here.
  const off_t start = regular_ ? ::lseek(fd, 0, SEEK_CUR) : 0;
  start_ = start > 0 ? static_cast<std::uint64_t>(start) : 0;
  return 0;
}

int InputFile::open(const NativePath& path) noexcept {
  if (path.error() != 0) return path.error();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  return adopt(fd, true);
}

const char* scratch_directory() noexcept {
  const char* directory = ::getenv("TMPDIR");
  return directory == nullptr || directory[0] == '\0' ? "/tmp" : directory;
}

int ScratchFile::create() noexcept {
  const char* directory = scratch_directory();
#ifdef O_TMPFILE
  int fd = ::open(directory, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
  int fd = -1;
#endif
  if (fd < 0) {
    // Where files without a name cannot be made: a named one, removed at once.
    char path[kMaxNativePath];
    if (std::snprintf(path, sizeof path, "%s/mirtabel-XXXXXX", directory) >=
        static_cast<int>(sizeof path)) {
      return ENAMETOOLONG;
    }
    fd = ::mkstemp(path);
    if (fd < 0) return errno;
    ::unlink(path);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  handle_ = fd;
  is_open_ = true;
  return 0;
}

}  // namespace mirtabel
