#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/native_path.h"

namespace mirtabel {

InputFile::~InputFile() {
  if (is_open_) ::close(handle_);
}

int InputFile::open(const wchar_t* path) noexcept {
  char native[kMaxNativePath];
  if (int error = to_native_path(path, native)) return error;
  const int fd = ::open(native, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat status;
  const int error = ::fstat(fd, &status) != 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
  if (error != 0) {
    ::close(fd);
    return error;
  }
  handle_ = fd;
  is_open_ = true;
  return 0;
}

ReadResult InputFile::read(unsigned char* buffer, std::size_t capacity) noexcept {
  for (;;) {
    const ssize_t count = ::read(handle_, buffer, capacity);
    if (count >= 0) return {static_cast<std::size_t>(count), 0};
    if (errno != EINTR) return {0, errno};
  }
}

OutputFile::~OutputFile() {
  close();
}

int OutputFile::create(const wchar_t* path, const InputFile& input) noexcept {
  char native[kMaxNativePath];
  if (int error = to_native_path(path, native)) return error;
  // Opened without O_TRUNC: whether this is the input itself is only known once it is open, and
  // the input must survive that check.
  const int fd = ::open(native, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  struct stat out_status, in_status;
  int error = 0;
  if (::fstat(fd, &out_status) != 0 || ::fstat(input.handle(), &in_status) != 0) {
    error = errno;
  } else if (out_status.st_dev == in_status.st_dev && out_status.st_ino == in_status.st_ino) {
    error = EINVAL;
  } else if (S_ISREG(out_status.st_mode) && ::ftruncate(fd, 0) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::close(fd);
    return error;
  }
  handle_ = fd;
  is_open_ = true;
  return 0;
}

int OutputFile::write(const unsigned char* bytes, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t count = ::write(handle_, bytes, size);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return 0;
}

int OutputFile::close() noexcept {
  if (!is_open_) return 0;
  const int result = ::close(handle_);
  is_open_ = false;
  return result == 0 ? 0 : errno;
}

}  // namespace mirtabel
