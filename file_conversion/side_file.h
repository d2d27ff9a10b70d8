// The side file: the text of the recipes left out or written cut, copied from the input, the
// input's first line first, then each recipe as it stood, each after the first behind that line
// again, so that the file converts like the input once its recipes are shortened. Each recipe is
// copied while the conversion runs, so that no list of them has to be kept.
#ifndef MIRTABEL_FILE_CONVERSION_SIDE_FILE_H
#define MIRTABEL_FILE_CONVERSION_SIDE_FILE_H

#include <cstddef>

#include "convert/conversion_observer.h"
#include "platform/file.h"

namespace mirtabel {

class LeftOutSideFile {
 public:
  // Opens the input at `input_path`, which `input` has open, a second time, to read its recipes
  // at their offsets while the conversion reads on: a read at an offset moves a Windows file's
  // position. An input that cannot be read twice (a pipe) is noted, to fail only if a recipe is
  // added. Returns 0 or an errno value.
  int open_input(const NativePath& input_path, const InputFile& input) noexcept;
  // Reads the recipes from `bytes` from now on: the input itself, or a copy of an input that
  // cannot be read twice, which holds a recipe's bytes once the conversion has read past it.
  void read_from(RandomAccessFile& bytes) noexcept { source_ = &bytes; }
  // Prepares the side file at `path`, as OutputFile::create does. Returns 0 or an errno value.
  int create(const NativePath& path, const InputFile& input,
             const OutputOptions& options = {}) noexcept;

  // Copies the recipe's text; a failure is kept for error().
  void add(const RecipePlace& recipe) noexcept;
  int error() const noexcept { return error_; }

  // Puts the side file in place when a recipe was added to it, or removes its temporary file.
  // Returns 0 or an errno value.
  int commit() noexcept;

 private:
  int copy(std::uint64_t begin, std::uint64_t end) noexcept;
  int read_mark() noexcept;

  InputFile again_;
  RandomAccessFile* source_ = nullptr;
  OutputFile output_;
  bool written_ = false;
  int error_ = 0;
  bool mark_read_ = false;
  std::size_t mark_size_ = 0;  // the input's byte-order mark, which only the file's start holds
};

}  // namespace mirtabel

#endif
