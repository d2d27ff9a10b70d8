// The files of one conversion, opened by their native paths or taken from the standard streams.
// Each closes its file when it goes out of scope, on every path. An output is written to a
// temporary file beside it and takes the output's name only when committed, so that a failed or
// interrupted conversion leaves the file at that name as it was.
#ifndef MIRTABEL_PLATFORM_FILE_H
#define MIRTABEL_PLATFORM_FILE_H

#include <cstddef>
#include <cstdint>

#include "platform/byte_stream.h"
#include "platform/native_path.h"
#include "platform/temporary_file.h"

namespace mirtabel {

#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

// Who may use a file, on POSIX: its permission bits (07777 at most), its owner and its group.
struct FileAccess {
  unsigned mode = 0;
  unsigned owner = 0;
  unsigned group = 0;
};

// A file that can be read at any offset, however far its sequential reading has come.
class RandomAccessFile {
 public:
  // Reads up to `capacity` bytes at `offset`; 0 bytes with error 0 means the end of the file.
  virtual ReadResult read_at(std::uint64_t offset, unsigned char* buffer,
                             std::size_t capacity) noexcept = 0;

 protected:
  ~RandomAccessFile() = default;
};

class InputFile final : public ByteSource, public RandomAccessFile {
 public:
  InputFile() noexcept = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens an existing file for reading. Returns 0, or an errno value (EISDIR for a directory).
  int open(const NativePath& path) noexcept;
  // Reads the process's standard input, which stays open. Returns 0 or an errno value.
  int use_standard_input() noexcept;

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;
  // Only for a regular file; a pipe or a terminal cannot be read again. Offsets count from where
  // the input stood when opened (a standard input may have been read from before).
  ReadResult read_at(std::uint64_t offset, unsigned char* buffer,
                     std::size_t capacity) noexcept override;

  bool is_regular() const noexcept { return regular_; }
  NativeHandle handle() const noexcept { return handle_; }
  // The file's access; false but for a regular file on POSIX.
  bool access(FileAccess& out) const noexcept;

 private:
  int adopt(NativeHandle handle, bool owned) noexcept;

  NativeHandle handle_{};
  bool is_open_ = false;
  bool owned_ = false;
  bool regular_ = false;
  std::uint64_t start_ = 0;
};

struct OutputOptions {
  // Refuse (EEXIST) to replace an existing regular file.
  bool no_clobber = false;
  // Where to note the temporary file while it exists, for a signal handler to remove.
  TemporaryFileNote* note = nullptr;
  // When given, the access a file written through a temporary file gets (on POSIX), instead of
  // that of the file it replaces or a new file's; see OutputFile::create.
  const FileAccess* access = nullptr;
};

class OutputFile final : public ByteSink {
 public:
  OutputFile() noexcept = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Abandons an output that was not committed: its temporary file is removed.
  ~OutputFile();

  // Prepares the output at `path`. A regular file, or a name that does not exist yet, is written
  // to a new temporary file in the same directory (for a symbolic link: the directory of the file
  // it names), which commit() renames over it; an existing file keeps its permission bits and,
  // where the system allows, its owner and its group (a group it cannot keep gets no more access
  // than any other user). Anything else (a FIFO, a device, a terminal) is written in place, and
  // a descriptor's name (/dev/stdout, /dev/fd/N) through that descriptor. Refuses (EINVAL) a path
  // that names `input` itself, through the same name, a hard link or a symbolic link, and leaves
  // it intact. Returns 0 or an errno value; nothing at `path` has changed then.
  int create(const NativePath& path, const InputFile& input,
             const OutputOptions& options = {}) noexcept;
  // Writes to the process's standard output, in place; refused (EINVAL) when it is `input`.
  int use_standard_output(const InputFile& input) noexcept;

  int write(const unsigned char* bytes, std::size_t size) noexcept override;

  // Whether the output is written where it is rather than through a temporary file.
  bool in_place() const noexcept { return in_place_; }
  // The access the file written through a temporary file gets, until commit(); false for an
  // output written in place, and on Windows.
  bool access(FileAccess& out) const noexcept;

  // Closes the output and gives a temporary file the output's name. Returns 0 or the errno value
  // of a failed close or rename; after a failure the temporary file is gone and the file at the
  // output's path is as it was.
  int commit() noexcept;

 private:
  // `private_first`: created readable by its owner only, to be given its access after.
  int create_temporary(const OutputOptions& options, bool private_first) noexcept;
  void abandon() noexcept;
  // Clears the note and closes the directory; `remove` removes the temporary file too.
  void forget_temporary(bool remove) noexcept;

  NativeHandle handle_{};
  bool is_open_ = false;
  bool owned_ = false;
  bool in_place_ = false;
  bool temporary_ = false;  // a temporary file exists, to be renamed or removed
  bool no_clobber_ = false;
  TemporaryFileNote* note_ = nullptr;
#ifdef _WIN32
  wchar_t final_[kMaxOutputPath];
  wchar_t temporary_path_[kMaxOutputPath];
#else
  // The temporary file's name: "." and the output's name, cut to leave room for the random
  // ending it gets; made where it is used, so that an output takes little of the stack under
  // the conversion.
  void temporary_name(char (&out)[kMaxFileName]) const noexcept;

  int directory_ = -1;  // the directory that holds the output and its temporary file
  char final_[kMaxFileName];
  char temporary_ending_[8];
#endif
};

#ifndef _WIN32
// The system's directory for temporary files, where a ScratchFile is made: $TMPDIR, else /tmp.
// (On Windows, the one GetTempPathW gives.)
const char* scratch_directory() noexcept;
#endif

// An unnamed file for what cannot be read twice (bytes that arrived through a pipe). The system
// removes it when it is closed, however the process ends.
class ScratchFile final : public ByteSink, public RandomAccessFile {
 public:
  ScratchFile() noexcept = default;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  // Creates the file in the system's directory for temporary files. Returns 0 or an errno value.
  int create() noexcept;
  int write(const unsigned char* bytes, std::size_t size) noexcept override;
  ReadResult read_at(std::uint64_t offset, unsigned char* buffer,
                     std::size_t capacity) noexcept override;

 private:
  NativeHandle handle_{};
  bool is_open_ = false;
};

}  // namespace mirtabel

#endif
