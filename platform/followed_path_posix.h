// Where a POSIX output path leads once its symbolic links are followed: the file an output named
// by it replaces, or is written to in place, or the name a new file takes.
#ifndef MIRTABEL_PLATFORM_FOLLOWED_PATH_POSIX_H
#define MIRTABEL_PLATFORM_FOLLOWED_PATH_POSIX_H

#include "platform/native_path.h"

namespace mirtabel {

// What the path leads to: nothing yet, a regular file (replaced through a temporary file), or
// anything written where it is (a FIFO, a device, one of this process's descriptors).
enum class OutputKind { kAbsent, kRegular, kInPlace };

// Copies `path` into `out`, for follow_links to change. Returns 0, the path's own error, or
// ENAMETOOLONG.
int copy_path(const NativePath& path, char (&out)[kMaxNativePath]) noexcept;

// Follows the symbolic links from `path` to the file they end at, leaving that file's path in
// `path`, and says what it is. A link of this process's table of open files (/proc/self/fd/N,
// to which /dev/stdout and /dev/fd/N lead) is not followed: it names whatever the descriptor
// holds. Returns 0, or an errno value (EISDIR for a directory, ELOOP past 40 links).
int follow_links(char (&path)[kMaxNativePath], OutputKind& kind) noexcept;

}  // namespace mirtabel

#endif
