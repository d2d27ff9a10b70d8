// The recipes a conversion leaves out for their length, kept by their place in the input, and
// the side file that gives their text back: the input's first line, then each recipe as it
// stood, each after the first behind that line again, so that the file converts like the input
// once its recipes are shortened.
#ifndef MIRTABEL_HOST_LEFT_OUT_H
#define MIRTABEL_HOST_LEFT_OUT_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_observer.h"
#include "platform/file.h"

class LeftOutRecipes final : public mirtabel::ConversionObserver {
 public:
  explicit LeftOutRecipes(bool keep_titles) : keep_titles_(keep_titles) {}

  void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override;

  std::size_t count() const { return count_; }
  // Their titles without the field's padding, when asked for.
  std::vector<std::string>& titles() { return titles_; }

  // Writes their text, read again from `input` (the input itself, or a copy of its bytes), to
  // `path` as an output of `source` (see OutputFile::create). `mark_size` is the length of the
  // input's byte-order mark, which only the file's start carries. Returns 0 or an errno value.
  int write(mirtabel::RandomAccessFile& input, std::size_t mark_size, const wchar_t* path,
            const mirtabel::InputFile& source, const mirtabel::OutputOptions& options) const;

 private:
  struct Range {
    std::uint64_t begin;
    std::uint64_t end;
  };

  bool keep_titles_;
  std::size_t count_ = 0;
  bool lost_ = false;  // a recipe's place could not be kept (no memory)
  std::uint64_t first_line_end_ = 0;
  std::vector<Range> ranges_;
  std::vector<std::string> titles_;
};

#endif
