#include <windows.h>

#include <cerrno>
#include <cwchar>

#include "platform/file_identity.h"
#include "platform/file_io.h"

namespace mirtabel {
namespace {

// Opens the file or folder at `path` to read its volume and file index, and whether it is a file
// on a disk. No access is asked for, so that a file others hold open answers too. Returns 0, or
// the Windows error code.
DWORD read_index(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info, bool& on_disk) noexcept {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  on_disk = GetFileType(file) == FILE_TYPE_DISK;
  const DWORD error = !on_disk || GetFileInformationByHandle(file, &info) ? 0 : GetLastError();
  CloseHandle(file);
  return error;
}

std::uint64_t file_index(const BY_HANDLE_FILE_INFORMATION& info) noexcept {
  return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

}  // namespace

int identify_file(const NativePath& native_path, FileIdentity& identity) noexcept {
  if (native_path.error() != 0) return native_path.error();
  const wchar_t* path = native_path.c_str();
  BY_HANDLE_FILE_INFORMATION info{};
  bool on_disk = false;
  DWORD error = read_index(path, info, on_disk);
  if (error == 0) {
    const bool file = on_disk && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    identity.kind = file ? FileIdentity::Kind::kFile : FileIdentity::Kind::kOther;
    identity.device = info.dwVolumeSerialNumber;
    identity.index = file_index(info);
    identity.name[0] = L'\0';
    return 0;
  }
  if (error != ERROR_FILE_NOT_FOUND) return file_io::errno_from(error);
  // A new file: its name in the folder it would be made in (a dangling link's own folder, as
  // the output replaces the link itself then).
  wchar_t full[kMaxOutputPath];
  wchar_t* name = nullptr;
  const DWORD size = GetFullPathNameW(path, kMaxOutputPath, full, &name);
  if (size == 0) return file_io::last_errno();
  if (size >= kMaxOutputPath) return ENAMETOOLONG;
  if (name == nullptr || *name == L'\0') return EISDIR;
  const std::size_t length = std::wcslen(name);
  if (length >= kMaxFileName) return ENAMETOOLONG;
  std::wmemcpy(identity.name, name, length + 1);
  *name = L'\0';  // the folder, with its separator
  error = read_index(full, info, on_disk);
  if (error != 0) return file_io::errno_from(error);
  identity.kind = FileIdentity::Kind::kAbsent;
  identity.device = info.dwVolumeSerialNumber;
  identity.index = file_index(info);
  return 0;
}

bool is_same_file(const FileIdentity& a, const FileIdentity& b) noexcept {
  if (a.kind != b.kind || a.kind == FileIdentity::Kind::kOther) return false;
  // File names ignore case, as the system compares them.
  return a.device == b.device && a.index == b.index &&
         CompareStringOrdinal(a.name, -1, b.name, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace mirtabel
