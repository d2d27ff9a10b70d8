// The output of a conversion on Windows: a temporary file in the output's folder, moved over the
// output with MoveFileExW once complete, which replaces it in one step on the same volume.
#include <windows.h>

#include <cerrno>
#include <cwchar>

#include "platform/file.h"
#include "platform/file_io.h"
#include "platform/system_calls.h"
#include "platform/temporary_name.h"

namespace mirtabel {
namespace {

// Names are at most 255 UTF-16 units.
constexpr std::size_t kMaxName = 255;

bool copy_path(const wchar_t* path, wchar_t (&out)[kMaxOutputPath]) noexcept {
  const std::size_t size = std::wcslen(path);
  if (size >= kMaxOutputPath) return false;
  std::wmemcpy(out, path, size + 1);
  return true;
}

}  // namespace

void remove_noted_file(TemporaryFileNote& note) noexcept {
  if (note.active.load(std::memory_order_acquire)) DeleteFileW(note.path);
}

int OutputFile::create(const NativePath& native_path, const InputFile& input,
                       const OutputOptions& options) noexcept {
  if (native_path.error() != 0) return native_path.error();
  const wchar_t* path = native_path.c_str();
  // Opening an existing file for writing asks the system whether it may be replaced, as writing
  // it in place would; and only an open file can be compared with the input.
  HANDLE probe =
      CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool exists = probe != INVALID_HANDLE_VALUE;
  if (!exists) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path);
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return EISDIR;
    }
    if (error != ERROR_FILE_NOT_FOUND) return file_io::errno_from(error);
    if (!copy_path(path, final_)) return ENAMETOOLONG;
  } else {
    bool same = false;
    int error = file_io::same_file(probe, input.handle(), same);
    if (error == 0 && same) error = EINVAL;
    if (error == 0 && GetFileType(probe) != FILE_TYPE_DISK) {
      // A device or a pipe ("NUL", "CON", "\\.\pipe\name"): written in place.
      handle_ = probe;
      is_open_ = owned_ = in_place_ = true;
      return 0;
    }
    if (error == 0 && options.no_clobber) error = EEXIST;
    if (error == 0) {
      // A symbolic link is replaced by way of the file it names.
      const DWORD attributes = GetFileAttributesW(path);
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const DWORD size =
            GetFinalPathNameByHandleW(probe, final_, kMaxOutputPath, FILE_NAME_NORMALIZED);
        if (size == 0) error = file_io::last_errno();
        if (size >= kMaxOutputPath) error = ENAMETOOLONG;
      } else if (!copy_path(path, final_)) {
        error = ENAMETOOLONG;
      }
    }
    file_io::close_file(probe);
    if (error != 0) return error;
  }
  no_clobber_ = options.no_clobber;
  return create_temporary(options, exists);
}

int OutputFile::create_temporary(const OutputOptions& options, bool) noexcept {
  // In the output's folder: "." + the output's name, cut to leave room for the ending.
  std::size_t folder = std::wcslen(final_);
  while (folder > 0 && final_[folder - 1] != L'\\' && final_[folder - 1] != L'/' &&
         final_[folder - 1] != L':') {
    --folder;
  }
  std::size_t kept = std::wcslen(final_ + folder);
  if (kept > kMaxName - 1 - kTemporaryEnding) kept = kMaxName - 1 - kTemporaryEnding;
  const std::size_t size = folder + 1 + kept + kTemporaryEnding;
  if (size >= kMaxOutputPath) return ENAMETOOLONG;
  std::wmemcpy(temporary_path_, final_, folder);
  temporary_path_[folder] = L'.';
  std::wmemcpy(temporary_path_ + folder + 1, final_ + folder, kept);
  temporary_path_[size] = L'\0';
  note_ = options.note;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    random_ending(temporary_path_ + folder + 1 + kept, attempt);
    if (note_ != nullptr) {
      std::wmemcpy(note_->path, temporary_path_, size + 1);
      note_->active.store(true, std::memory_order_release);
    }
    // Shared for deletion, so that a handler for Ctrl-C can remove it while it is open.
    HANDLE file = CreateFileW(temporary_path_, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_ = file;
      is_open_ = owned_ = temporary_ = true;
      return 0;
    }
    const DWORD error = GetLastError();
    if (note_ != nullptr) note_->active.store(false, std::memory_order_release);
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return file_io::errno_from(error);
    }
  }
  return EEXIST;
}

int OutputFile::commit() noexcept {
  if (!is_open_) return EBADF;
  is_open_ = false;
  int error = owned_ ? file_io::close_file(handle_) : 0;
  if (!temporary_) return error;
  // Without MOVEFILE_REPLACE_EXISTING the move fails if the name exists, however late it appeared.
  if (error == 0 && !system_calls().move_file(temporary_path_, final_,
                                              no_clobber_ ? 0 : MOVEFILE_REPLACE_EXISTING)) {
    error = file_io::last_errno();
  }
  forget_temporary(error != 0);
  return error;
}

void OutputFile::forget_temporary(bool remove) noexcept {
  if (temporary_ && remove) DeleteFileW(temporary_path_);
  if (note_ != nullptr) note_->active.store(false, std::memory_order_release);
  note_ = nullptr;
  temporary_ = false;
}

}  // namespace mirtabel
