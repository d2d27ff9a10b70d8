// What the files of the platform layer do alike on every system, over the loops of file_io.
#include <cerrno>

#include "platform/file.h"
#include "platform/file_io.h"

namespace mirtabel {

InputFile::~InputFile() {
  if (is_open_ && owned_) file_io::close_file(handle_);
}

int InputFile::use_standard_input() noexcept {
  NativeHandle file;
  if (int error = file_io::standard_stream(false, file)) return error;
  return adopt(file, false);
}

bool InputFile::access(FileAccess& out) const noexcept {
  return is_open_ && file_io::file_access(handle_, out);
}

ReadResult InputFile::read(unsigned char* buffer, std::size_t capacity) noexcept {
  return file_io::read_some(handle_, buffer, capacity);
}

ReadResult InputFile::read_at(std::uint64_t offset, unsigned char* buffer,
                              std::size_t capacity) noexcept {
  return file_io::read_at(handle_, start_ + offset, buffer, capacity);
}

OutputFile::~OutputFile() {
  abandon();
}

int OutputFile::use_standard_output(const InputFile& input) noexcept {
  NativeHandle file;
  if (int error = file_io::standard_stream(true, file)) return error;
  bool same = false;
  if (int error = file_io::same_file(file, input.handle(), same)) return error;
  if (same) return EINVAL;
  handle_ = file;
  is_open_ = in_place_ = true;
  owned_ = false;
  return 0;
}

bool OutputFile::access(FileAccess& out) const noexcept {
  return is_open_ && temporary_ && file_io::file_access(handle_, out);
}

int OutputFile::write(const unsigned char* bytes, std::size_t size) noexcept {
  return file_io::write_all(handle_, bytes, size);
}

void OutputFile::abandon() noexcept {
  if (is_open_ && owned_) file_io::close_file(handle_);
  is_open_ = false;
  forget_temporary(true);
}

ScratchFile::~ScratchFile() {
  if (is_open_) file_io::close_file(handle_);
}

int ScratchFile::write(const unsigned char* bytes, std::size_t size) noexcept {
  return file_io::write_all(handle_, bytes, size);
}

ReadResult ScratchFile::read_at(std::uint64_t offset, unsigned char* buffer,
                                std::size_t capacity) noexcept {
  return file_io::read_at(handle_, offset, buffer, capacity);
}

}  // namespace mirtabel
