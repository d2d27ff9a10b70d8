// Whether two paths name one file, however they are spelt: "d/./f", "d//f", "d/../d/f", a hard
// link or a symbolic link all name the file at "d/f", or the place a new file "d/f" would take.
// Outputs that would land on one file are refused with this, before anything is written.
#ifndef MIRTABEL_PLATFORM_FILE_IDENTITY_H
#define MIRTABEL_PLATFORM_FILE_IDENTITY_H

#include <cstdint>

#include "platform/native_path.h"
#include "platform/temporary_file.h"

namespace mirtabel {

struct FileIdentity {
  enum class Kind {
    kFile,    // an existing regular file: its device and its number there (on Windows, its
              // volume and file index)
    kAbsent,  // no file yet: the device and number of the directory it would be made in, and
              // its name there
    kOther,   // a device, a FIFO, a terminal: written in place, never taken for another file
  };
  Kind kind = Kind::kOther;
  std::uint64_t device = 0;
  std::uint64_t index = 0;
#ifdef _WIN32
  wchar_t name[kMaxFileName] = {};  // names ignore case there
#else
  char name[kMaxFileName] = {};
#endif
};

// Identifies the file at `path` after its symbolic links, as an output written there would find
// it. Returns 0, or an errno value when the path cannot be looked at (its directory is missing,
// say): whatever would be written there fails on its own then.
int identify_file(const NativePath& path, FileIdentity& identity) noexcept;

// Whether two identities are one regular file, or one name for a new file in one directory.
bool is_same_file(const FileIdentity& a, const FileIdentity& b) noexcept;

}  // namespace mirtabel

#endif
