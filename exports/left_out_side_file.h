// The side file of the conversion API: the text of the recipes left out, copied from the input
// while the conversion runs, so that no list of them has to be kept. The input's first line comes
// first, then each recipe as it stood, each after the first behind that line again (the file
// mxpconvert writes), so that the file converts like the input once its recipes are shortened.
#ifndef MIRTABEL_EXPORTS_LEFT_OUT_SIDE_FILE_H
#define MIRTABEL_EXPORTS_LEFT_OUT_SIDE_FILE_H

#include <cstddef>

#include "convert/conversion_observer.h"
#include "platform/file.h"

namespace mirtabel {

class LeftOutSideFile {
 public:
  // Opens the input at `input_path`, which `input` has open, a second time, to read its recipes
  // at their offsets while the conversion reads on: a read at an offset moves a Windows file's
  // position. An input that cannot be read twice (a pipe) is noted, to fail only if a recipe is
  // left out. Returns 0 or an errno value.
  int open_input(const wchar_t* input_path, const InputFile& input) noexcept;
  // Prepares the side file at `path`, as OutputFile::create does. Returns 0 or an errno value.
  int create(const wchar_t* path, const InputFile& input) noexcept;
  // Reads the recipes from `bytes` from now on: a copy of an input that cannot be read twice.
  // Returns 0 or an errno value.
  int read_from(RandomAccessFile& bytes) noexcept;

  // Copies the recipe's text; a failure is kept for error().
  void add(const LeftOutRecipe& recipe) noexcept;
  int error() const noexcept { return error_; }

  // Puts the side file in place when a recipe was added to it, or removes its temporary file.
  // Returns 0 or an errno value.
  int commit() noexcept;

 private:
  int copy(std::uint64_t begin, std::uint64_t end) noexcept;
  int read_mark() noexcept;

  InputFile again_;
  RandomAccessFile* source_ = &again_;
  OutputFile output_;
  bool rereadable_ = false;
  bool written_ = false;
  int error_ = 0;
  std::size_t mark_size_ = 0;  // the input's byte-order mark, which only the file's start holds
};

}  // namespace mirtabel

#endif
