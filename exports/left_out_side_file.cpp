#include "exports/left_out_side_file.h"

#include <cerrno>
#include <cstring>

namespace mirtabel {
namespace {

// The copy's buffer lives on the stack at the conversion's depth, so it stays small: recipes
// are left out rarely, and each is a few tens of kilobytes.
constexpr std::size_t kCopyBuffer = 512;

std::size_t mark_size_of(const unsigned char* bytes, std::size_t size) noexcept {
  if (size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) return 3;
  if (size >= 2 &&
      (std::memcmp(bytes, "\xFF\xFE", 2) == 0 || std::memcmp(bytes, "\xFE\xFF", 2) == 0))
    return 2;
  return 0;
}

}  // namespace

int LeftOutSideFile::open_input(const wchar_t* input_path, const InputFile& input) noexcept {
  if (!input.is_regular()) return 0;
  if (int error = again_.open(input_path)) return error;
  return read_mark();
}

int LeftOutSideFile::read_from(RandomAccessFile& bytes) noexcept {
  source_ = &bytes;
  return read_mark();
}

int LeftOutSideFile::read_mark() noexcept {
  unsigned char start[3];
  std::size_t size = 0;
  while (size < sizeof start) {
    const ReadResult read = source_->read_at(size, start + size, sizeof start - size);
    if (read.error != 0) return read.error;
    if (read.size == 0) break;
    size += read.size;
  }
  mark_size_ = mark_size_of(start, size);
  rereadable_ = true;
  return 0;
}

int LeftOutSideFile::create(const wchar_t* path, const InputFile& input) noexcept {
  return output_.create(path, input);
}

int LeftOutSideFile::copy(std::uint64_t begin, std::uint64_t end) noexcept {
  unsigned char buffer[kCopyBuffer];
  while (begin < end) {
    const std::uint64_t left = end - begin;
    const ReadResult read = source_->read_at(
        begin, buffer, left < kCopyBuffer ? static_cast<std::size_t>(left) : kCopyBuffer);
    if (read.error != 0) return read.error;
    // The input is shorter than the conversion read it: it changed meanwhile.
    if (read.size == 0) return EIO;
    if (int error = output_.write(buffer, read.size)) return error;
    begin += read.size;
  }
  return 0;
}

void LeftOutSideFile::add(const LeftOutRecipe& recipe) noexcept {
  if (error_ != 0) return;
  if (!rereadable_) {
    error_ = ESPIPE;
    return;
  }
  error_ = copy(written_ ? mark_size_ : 0, recipe.first_line_end);
  if (error_ == 0) error_ = copy(recipe.begin, recipe.end);
  written_ = true;
}

int LeftOutSideFile::commit() noexcept {
  if (error_ != 0) return error_;
  // Without a recipe the temporary file goes when output_ does, and the path is not touched.
  return written_ ? output_.commit() : 0;
}

}  // namespace mirtabel
