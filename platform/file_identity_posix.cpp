#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/followed_path_posix.h"
#include "platform/native_path.h"

namespace mirtabel {

int identify_file(const NativePath& path, FileIdentity& identity) noexcept {
  char native[kMaxNativePath];
  if (int error = copy_path(path, native)) return error;
  OutputKind kind;
  if (int error = follow_links(native, kind)) return error;
  struct stat status;
  if (kind != OutputKind::kAbsent) {
    if (::stat(native, &status) != 0) return errno;
    identity.kind =
        S_ISREG(status.st_mode) ? FileIdentity::Kind::kFile : FileIdentity::Kind::kOther;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.index = static_cast<std::uint64_t>(status.st_ino);
    identity.name[0] = '\0';
    return 0;
  }
  // A new file: its name in the directory it would be made in.
  char* slash = std::strrchr(native, '/');
  const char* base = slash != nullptr ? slash + 1 : native;
  const std::size_t size = std::strlen(base);
  if (size == 0) return EISDIR;  // "dir/"
  if (size >= kMaxFileName) return ENAMETOOLONG;
  std::memcpy(identity.name, base, size + 1);
  const char* folder = ".";
  if (slash == native) {
    folder = "/";
  } else if (slash != nullptr) {
    *slash = '\0';
    folder = native;
  }
  if (::stat(folder, &status) != 0) return errno;
  identity.kind = FileIdentity::Kind::kAbsent;
  identity.device = static_cast<std::uint64_t>(status.st_dev);
  identity.index = static_cast<std::uint64_t>(status.st_ino);
  return 0;
}

bool is_same_file(const FileIdentity& a, const FileIdentity& b) noexcept {
  if (a.kind != b.kind || a.kind == FileIdentity::Kind::kOther) return false;
  return a.device == b.device && a.index == b.index && std::strcmp(a.name, b.name) == 0;
}

}  // namespace mirtabel
