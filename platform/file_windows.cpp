// The files of one conversion on Windows, opened by their wide paths as given (wchar_t is the
// system's own UTF-16 there). Failures are reported as the errno values a C runtime would give.
#include <windows.h>

#include <cerrno>

#include "platform/file.h"

namespace mirtabel {
namespace {

int errno_from(DWORD error) noexcept {
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

// ReadFile and WriteFile take a DWORD count.
constexpr std::size_t kMaxTransfer = 1u << 30;

}  // namespace

InputFile::~InputFile() {
  if (is_open_) CloseHandle(handle_);
}

int InputFile::open(const wchar_t* path) noexcept {
  // Shared for writing and deletion as a POSIX file would be, so that an output path naming this
  // file opens and is then refused as the input itself, rather than failing to open. Backup
  // semantics let a directory open too, so that it is reported as one.
  HANDLE file = CreateFileW(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr);
  if (file == INVALID_HANDLE_VALUE) return last_errno();
  BY_HANDLE_FILE_INFORMATION info;
  int error = 0;
  if (GetFileType(file) == FILE_TYPE_DISK) {
    if (!GetFileInformationByHandle(file, &info)) {
      error = last_errno();
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      error = EISDIR;
    }
  }
  if (error != 0) {
    CloseHandle(file);
    return error;
  }
  handle_ = file;
  is_open_ = true;
  return 0;
}

ReadResult InputFile::read(unsigned char* buffer, std::size_t capacity) noexcept {
  if (capacity > kMaxTransfer) capacity = kMaxTransfer;
  DWORD count = 0;
  if (ReadFile(handle_, buffer, static_cast<DWORD>(capacity), &count, nullptr)) return {count, 0};
  const DWORD error = GetLastError();
  // The writing end of a pipe was closed: the end of the input.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return {0, 0};
  return {0, errno_from(error)};
}

OutputFile::~OutputFile() {
  close();
}

namespace {

// Whether two handles name the same file: the same volume and the same file index, which hard
// links and different spellings of one path share.
int same_file(HANDLE a, HANDLE b, bool& same) noexcept {
  same = false;
  if (GetFileType(a) != FILE_TYPE_DISK || GetFileType(b) != FILE_TYPE_DISK) return 0;
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) {
    return last_errno();
  }
  same = ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  return 0;
}

}  // namespace

int OutputFile::create(const wchar_t* path, const InputFile& input) noexcept {
  // Opened without truncation: whether this is the input itself is only known once it is open,
  // and the input must survive that check.
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path);
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return EISDIR;
    }
    return errno_from(error);
  }
  bool same = false;
  int error = same_file(file, input.handle(), same);
  if (error == 0 && same) {
    error = EINVAL;
  } else if (error == 0 && GetFileType(file) == FILE_TYPE_DISK && !SetEndOfFile(file)) {
    error = last_errno();  // the file pointer is at 0, so this empties the file
  }
  if (error != 0) {
    CloseHandle(file);
    return error;
  }
  handle_ = file;
  is_open_ = true;
  return 0;
}

int OutputFile::write(const unsigned char* bytes, std::size_t size) noexcept {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(size < kMaxTransfer ? size : kMaxTransfer);
    DWORD count = 0;
    if (!WriteFile(handle_, bytes, piece, &count, nullptr)) return last_errno();
    if (count == 0) return EIO;
    bytes += count;
    size -= count;
  }
  return 0;
}

int OutputFile::close() noexcept {
  if (!is_open_) return 0;
  is_open_ = false;
  return CloseHandle(handle_) ? 0 : last_errno();
}

}  // namespace mirtabel
