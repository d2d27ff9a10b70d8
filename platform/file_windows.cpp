// The files of one conversion on Windows, opened by their wide paths as given (wchar_t is the
// system's own UTF-16 there). Failures are reported as the errno values a C runtime would give.
#include <windows.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/file_io.h"
#include "platform/system_calls.h"

namespace mirtabel {
namespace file_io {

int errno_from(unsigned long error) noexcept {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_INVALID_NAME:  // a character no file name may hold, such as '?' or '*'
      return EILSEQ;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    default:
      return EIO;
  }
}

int last_errno() noexcept {
  return errno_from(GetLastError());
}

namespace {

// ReadFile and WriteFile take a DWORD count.
constexpr std::size_t kMaxTransfer = 1u << 30;

}  // namespace

ReadResult read_some(HANDLE file, unsigned char* buffer, std::size_t capacity) noexcept {
  if (capacity > kMaxTransfer) capacity = kMaxTransfer;
  unsigned long count = 0;
  if (system_calls().read_file(file, buffer, static_cast<unsigned long>(capacity), &count)) {
    return {count, 0};
  }
  const DWORD error = GetLastError();
  // The writing end of a pipe was closed: the end of the input.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return {0, 0};
  return {0, errno_from(error)};
}

int write_all(HANDLE file, const unsigned char* bytes, std::size_t size) noexcept {
  while (size > 0) {
    const auto piece = static_cast<unsigned long>(size < kMaxTransfer ? size : kMaxTransfer);
    unsigned long count = 0;
    if (!system_calls().write_file(file, bytes, piece, &count)) return last_errno();
    if (count == 0) return ENOSPC;
    bytes += count;
    size -= count;
  }
  return 0;
}

int close_file(HANDLE file) noexcept {
  return system_calls().close_handle(file) ? 0 : last_errno();
}

// As pread: the read at an offset leaves the file's position where it was. ReadFile with an
// offset moves a synchronous handle's position past the bytes it read, so the position is put
// back, and the sequential reads that follow go on where they stood.
ReadResult read_at(HANDLE file, std::uint64_t offset, unsigned char* buffer,
                   std::size_t capacity) noexcept {
  if (capacity > kMaxTransfer) capacity = kMaxTransfer;
  LARGE_INTEGER here{};
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, &here, FILE_CURRENT))
    return {0, errno_from(GetLastError())};
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD count = 0;
  const bool read = ReadFile(file, buffer, static_cast<DWORD>(capacity), &count, &at) != 0;
  const DWORD error = read ? 0 : GetLastError();
  if (!SetFilePointerEx(file, here, nullptr, FILE_BEGIN)) return {0, errno_from(GetLastError())};
  if (read) return {count, 0};
  if (error == ERROR_HANDLE_EOF) return {0, 0};
  return {0, errno_from(error)};
}

int standard_stream(bool output, HANDLE& file) noexcept {
  file = GetStdHandle(output ? STD_OUTPUT_HANDLE : STD_INPUT_HANDLE);
  return file == INVALID_HANDLE_VALUE || file == nullptr ? EBADF : 0;
}

int same_file(HANDLE a, HANDLE b, bool& same) noexcept {
  // Volume and file index, which hard links and every spelling of one path share.
  same = false;
  if (GetFileType(a) != FILE_TYPE_DISK || GetFileType(b) != FILE_TYPE_DISK) return 0;
  BY_HANDLE_FILE_INFORMATION ia, ib;
  // A standard stream redirected from a file may not answer (Wine); only files opened by path
  // can be told apart then.
  if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return 0;
  same = ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  return 0;
}

bool file_access(HANDLE, FileAccess&) noexcept {
  return false;  // files have access lists here, which a new file inherits from its folder
}

}  // namespace file_io

int InputFile::adopt(HANDLE file, bool owned) noexcept {
  int error = 0;
  bool regular = false;
  LARGE_INTEGER start{};
  if (GetFileType(file) == FILE_TYPE_DISK) {
    BY_HANDLE_FILE_INFORMATION info;
    // Only a file opened here can be a directory; a standard input redirected from a file may
    // not answer (Wine).
    if (!GetFileInformationByHandle(file, &info)) {
      if (owned) error = file_io::last_errno();
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      error = EISDIR;
    }
    const LARGE_INTEGER here{};
    regular = SetFilePointerEx(file, here, &start, FILE_CURRENT) != 0;
  }
  if (error != 0) {
    if (owned) file_io::close_file(file);
    return error;
  }
  handle_ = file;
  is_open_ = true;
  owned_ = owned;
  regular_ = regular;
  start_ = regular ? static_cast<std::uint64_t>(start.QuadPart) : 0;
  return 0;
}

int InputFile::open(const NativePath& path) noexcept {
  if (path.error() != 0) return path.error();
  // Shared for writing and deletion as a POSIX file would be, so that an output path naming this
  // file opens and is then refused as the input itself, rather than failing to open. Backup
  // semantics let a directory open too, so that it is reported as one.
  HANDLE file = CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr);
  if (file == INVALID_HANDLE_VALUE) return file_io::last_errno();
  return adopt(file, true);
}

int ScratchFile::create() noexcept {
  wchar_t directory[MAX_PATH + 1];
  const DWORD size = GetTempPathW(MAX_PATH + 1, directory);
  if (size == 0) return file_io::last_errno();
  if (size > MAX_PATH) return ENAMETOOLONG;
  wchar_t path[MAX_PATH + 1];
  if (!GetTempFileNameW(directory, L"mxp", 0, path)) return file_io::last_errno();
  // Removed by the system when its last handle closes, however the process ends.
  HANDLE file =
      CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const int error = file_io::last_errno();
    DeleteFileW(path);
    return error;
  }
  handle_ = file;
  is_open_ = true;
  return 0;
}

}  // namespace mirtabel
