#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/followed_path_posix.h"

namespace mirtabel {
namespace {

// Whether a symbolic link belongs to the system's table of open files (/proc/self/fd/N, to which
// /dev/stdout and /dev/fd/N lead): it names whatever the descriptor holds, a pipe or a terminal as
// well as a file, and is written through as it is, like the descriptor itself.
bool names_a_descriptor(const struct stat& link) noexcept {
  struct stat proc;
  return ::stat("/proc/self", &proc) == 0 && proc.st_dev == link.st_dev;
}

}  // namespace

int copy_path(const NativePath& path, char (&out)[kMaxNativePath]) noexcept {
  if (path.error() != 0) return path.error();
  const std::size_t size = std::strlen(path.c_str());
  if (size >= kMaxNativePath) return ENAMETOOLONG;
  std::memcpy(out, path.c_str(), size + 1);
  return 0;
}

int follow_links(char (&path)[kMaxNativePath], OutputKind& kind) noexcept {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat status;
    if (::lstat(path, &status) != 0) {
      if (errno != ENOENT) return errno;
      kind = OutputKind::kAbsent;
      return 0;
    }
    if (S_ISDIR(status.st_mode)) return EISDIR;
    if (!S_ISLNK(status.st_mode) || names_a_descriptor(status)) {
      kind = S_ISREG(status.st_mode) ? OutputKind::kRegular : OutputKind::kInPlace;
      return 0;
    }
    char target[kMaxNativePath];
    const ssize_t size = ::readlink(path, target, sizeof target);
    if (size < 0) return errno;
    if (static_cast<std::size_t>(size) >= sizeof target) return ENAMETOOLONG;
    target[size] = '\0';
    // A relative target is relative to the link's directory.
    std::size_t keep = 0;
    if (target[0] != '/') {
      const char* slash = std::strrchr(path, '/');
      keep = slash != nullptr ? static_cast<std::size_t>(slash - path) + 1 : 0;
    }
    if (keep + static_cast<std::size_t>(size) >= kMaxNativePath) return ENAMETOOLONG;
    std::memcpy(path + keep, target, static_cast<std::size_t>(size) + 1);
  }
  return ELOOP;
}

}  // namespace mirtabel
