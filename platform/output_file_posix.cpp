// The output of a conversion on POSIX: a temporary file in the output's directory, renamed over
// the output once complete. The directory stays open meanwhile, so that the rename and the
// removal of the temporary file name it relative to that directory, and a signal handler can
// remove it with unlinkat.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"
#include "platform/file_io.h"
#include "platform/followed_path_posix.h"
#include "platform/native_path.h"
#include "platform/system_calls.h"
#include "platform/temporary_name.h"

namespace mirtabel {
namespace {

// The descriptor that a link of this process's table of open files names (/proc/self/fd/N, and
// /dev/fd/N that leads there), or -1 for any other path.
int descriptor_named_by(const char* path) noexcept {
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr || slash[1] == '\0') return -1;
  int fd = 0;
  for (const char* c = slash + 1; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || fd > 99999999) return -1;
    fd = fd * 10 + (*c - '0');
  }
  char folder[kMaxNativePath];
  const std::size_t size = static_cast<std::size_t>(slash - path);
  std::memcpy(folder, path, size);
  folder[size] = '\0';
  struct stat table, named;
  const bool own = ::stat("/proc/self/fd", &table) == 0 && ::stat(folder, &named) == 0 &&
                   table.st_dev == named.st_dev && table.st_ino == named.st_ino;
  return own ? fd : -1;
}

// Gives the new file `fd` the access of `like` as far as the system allows: the owner only as
// root, the group as root or as a member of it. The group is given on its own where the owner
// cannot be, so that a refused owner does not take the group with it. Where the file keeps
// another group, that group gets no more access than any other user has.
int take_access(int fd, const FileAccess& like) noexcept {
  if (::fchown(fd, like.owner, like.group) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), like.group) != 0) {
    // The file stays in this process's group.
  }
  struct stat status;
  if (::fstat(fd, &status) != 0) return errno;
  mode_t mode = like.mode & 07777;
  if (status.st_gid != like.group) mode &= ~S_IRWXG | ((mode & S_IRWXO) << 3);
  return ::fchmod(fd, mode) != 0 ? errno : 0;
}

// Opens the directory part of `path` and leaves the file's name in `name`.
int open_directory_of(char (&path)[kMaxNativePath], char (&name)[kMaxFileName],
                      int& directory) noexcept {
  char* slash = std::strrchr(path, '/');
  const char* base = slash != nullptr ? slash + 1 : path;
  const std::size_t size = std::strlen(base);
  if (size == 0) return EISDIR;  // "dir/"
  if (size >= kMaxFileName) return ENAMETOOLONG;
  std::memcpy(name, base, size + 1);
  const char* folder = ".";
  if (slash == path) {
    folder = "/";
  } else if (slash != nullptr) {
    *slash = '\0';
    folder = path;
  }
#ifdef O_PATH
  directory = ::open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
  directory = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
  return directory < 0 ? errno : 0;
}

}  // namespace

void remove_noted_file(TemporaryFileNote& note) noexcept {
  if (note.active.load(std::memory_order_acquire)) ::unlinkat(note.directory, note.name, 0);
}

int OutputFile::create(const NativePath& path, const InputFile& input,
                       const OutputOptions& options) noexcept {
  char native[kMaxNativePath];
  if (int error = copy_path(path, native)) return error;
  OutputKind kind;
  if (int error = follow_links(native, kind)) return error;

  if (kind == OutputKind::kInPlace) {
    // One of this process's descriptors is written through itself, where its file stands, as
    // the shell that opened it expects ("{ echo a; mxpconvert in /dev/stdout; echo b; } > f").
    // Anything else is opened; a file reached through another process's descriptor is appended
    // to, as the shell that made the descriptor has emptied it already for '>'.
    int fd = -1;
    if (const int own = descriptor_named_by(native); own >= 0) {
      fd = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    } else {
      struct stat status;
      const bool append = ::stat(native, &status) == 0 && S_ISREG(status.st_mode);
      fd = ::open(native, O_WRONLY | O_CLOEXEC | O_NOCTTY | (append ? O_APPEND : 0));
    }
    if (fd < 0) return errno;
    bool same = false;
    int error = file_io::same_file(fd, input.handle(), same);
    if (error == 0 && same) error = EINVAL;
    if (error != 0) {
      file_io::close_file(fd);
      return error;
    }
    handle_ = fd;
    is_open_ = owned_ = in_place_ = true;
    return 0;
  }

  if (int error = open_directory_of(native, final_, directory_)) return error;
  struct stat existing {};
  if (kind == OutputKind::kRegular) {
    if (options.no_clobber) return EEXIST;
    // Opening the file for writing asks the system whether it may be replaced, as writing it in
    // place would; and only an open file can be compared with the input.
    const int probe = ::openat(directory_, final_, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (probe < 0) return errno;
    bool same = false;
    int error = file_io::same_file(probe, input.handle(), same);
    if (error == 0 && same) error = EINVAL;
    if (error == 0 && ::fstat(probe, &existing) != 0) error = errno;
    file_io::close_file(probe);
    if (error != 0) return error;
  }
  no_clobber_ = options.no_clobber;
  // A replaced file's access is kept, unless the caller gives another.
  FileAccess access{static_cast<unsigned>(existing.st_mode & 07777), existing.st_uid,
                    existing.st_gid};
  if (options.access != nullptr) access = *options.access;
  const bool set_access = kind == OutputKind::kRegular || options.access != nullptr;
  if (int error = create_temporary(options, set_access)) return error;
  return set_access ? take_access(handle_, access) : 0;
}

void OutputFile::temporary_name(char (&out)[kMaxFileName]) const noexcept {
  static_assert(kTemporaryEnding <= sizeof temporary_ending_);
  std::size_t kept = std::strlen(final_);
  if (kept > kMaxFileName - 2 - kTemporaryEnding) kept = kMaxFileName - 2 - kTemporaryEnding;
  out[0] = '.';
  std::memcpy(out + 1, final_, kept);
  std::memcpy(out + 1 + kept, temporary_ending_, kTemporaryEnding);
  out[1 + kept + kTemporaryEnding] = '\0';
}

int OutputFile::create_temporary(const OutputOptions& options, bool private_first) noexcept {
  note_ = options.note;
  char name[kMaxFileName];
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    random_ending(temporary_ending_, attempt);
    temporary_name(name);
    // Noted before it exists, so that no moment passes in which it exists unnoted.
    if (note_ != nullptr) {
      note_->directory = directory_;
      std::memcpy(note_->name, name, sizeof name);
      note_->active.store(true, std::memory_order_release);
    }
    const int fd = ::openat(directory_, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                            private_first ? 0600 : 0666);
    if (fd >= 0) {
      handle_ = fd;
      is_open_ = owned_ = temporary_ = true;
      return 0;
    }
    const int error = errno;
    if (note_ != nullptr) note_->active.store(false, std::memory_order_release);
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

int OutputFile::commit() noexcept {
  if (!is_open_) return EBADF;
  is_open_ = false;
  int error = owned_ ? file_io::close_file(handle_) : 0;
  if (!temporary_) return error;
  char temporary[kMaxFileName];
  temporary_name(temporary);
  if (error == 0) {
    if (!no_clobber_) {
      if (system_calls().renameat(directory_, temporary, directory_, final_) != 0) {
        error = errno;
      }
    } else if (::linkat(directory_, temporary, directory_, final_, 0) != 0) {
      // A link fails if the name exists, however late it appeared. Where the file system has no
      // links, the check and the rename are two steps.
      struct stat status;
      error = errno;
      if (error != EEXIST) {
        error = ::fstatat(directory_, final_, &status, AT_SYMLINK_NOFOLLOW) == 0          ? EEXIST
                : system_calls().renameat(directory_, temporary, directory_, final_) != 0 ? errno
                                                                                          : 0;
      }
    }
  }
  forget_temporary(error != 0 || no_clobber_);
  return error;
}

void OutputFile::forget_temporary(bool remove) noexcept {
  if (temporary_ && remove) {
    char temporary[kMaxFileName];
    temporary_name(temporary);
    ::unlinkat(directory_, temporary, 0);
  }
  if (note_ != nullptr) note_->active.store(false, std::memory_order_release);
  note_ = nullptr;
  temporary_ = false;
  if (directory_ >= 0) ::close(directory_);
  directory_ = -1;
}

}  // namespace mirtabel
