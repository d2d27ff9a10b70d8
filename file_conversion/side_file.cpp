#include "file_conversion/side_file.h"

#include <cerrno>

#include "platform/byte_order_mark.h"

namespace mirtabel {
namespace {

// The copy's buffer during a conversion lives on the stack at the conversion's depth, so it
// stays small: recipes are left out rarely, and each is a few tens of kilobytes.
constexpr std::size_t kCopyBuffer = 512;

}  // namespace

int LeftOutSideFile::open_input(const NativePath& input_path, const InputFile& input) noexcept {
  if (!input.is_regular()) return 0;
  if (int error = again_.open(input_path)) return error;
  source_ = &again_;
  // Read now, before the conversion, so that the first read at an offset is not made (and its
  // symbol bound) at the conversion's depth.
  return read_mark();
}

// The mark of a copy, which is empty until the conversion reads on, is read when the second
// recipe needs its length.
int LeftOutSideFile::read_mark() noexcept {
  unsigned char start[3];
  std::size_t size = 0;
  while (size < sizeof start) {
    const ReadResult read = source_->read_at(size, start + size, sizeof start - size);
    if (read.error != 0) return read.error;
    if (read.size == 0) break;
    size += read.size;
  }
  mark_size_ = byte_order_mark(start, size).size;
  mark_read_ = true;
  return 0;
}

int LeftOutSideFile::create(const NativePath& path, const InputFile& input,
                            const OutputOptions& options) noexcept {
  return output_.create(path, input, options);
}

int LeftOutSideFile::copy(std::uint64_t begin, std::uint64_t end) noexcept {
  unsigned char buffer[kCopyBuffer];
  const std::size_t size = sizeof buffer;
  while (begin < end) {
    const std::uint64_t left = end - begin;
    const ReadResult read =
        source_->read_at(begin, buffer, left < size ? static_cast<std::size_t>(left) : size);
    if (read.error != 0) return read.error;
    // The input is shorter than the conversion read it: it changed meanwhile.
    if (read.size == 0) return EIO;
    if (int error = output_.write(buffer, read.size)) return error;
    begin += read.size;
  }
  return 0;
}

void LeftOutSideFile::add(const RecipePlace& recipe) noexcept {
  if (error_ != 0) return;
  if (source_ == nullptr) {
    error_ = ESPIPE;
    return;
  }
  if (written_ && !mark_read_) error_ = read_mark();
  if (error_ == 0) error_ = copy(written_ ? mark_size_ : 0, recipe.first_line_end);
  if (error_ == 0) error_ = copy(recipe.begin, recipe.end);
  written_ = true;
}

int LeftOutSideFile::commit() noexcept {
  if (error_ != 0) return error_;
  // Without a recipe the temporary file goes when output_ does, and the path is not touched.
  return written_ ? output_.commit() : 0;
}

}  // namespace mirtabel
