// The recipes a conversion leaves out for their length or writes cut, kept by their place in the
// input, for the side file that gives their text back (exports/left_out_side_file.h).
#ifndef MIRTABEL_HOST_LEFT_OUT_H
#define MIRTABEL_HOST_LEFT_OUT_H

#include <cstddef>
#include <string>
#include <vector>

#include "convert/conversion_observer.h"
#include "platform/file.h"

class LeftOutRecipes final : public mirtabel::ConversionObserver {
 public:
  explicit LeftOutRecipes(bool keep_titles) : keep_titles_(keep_titles) {}

  void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override;

  // The recipes left out for their length; those written cut are counted by the conversion.
  std::size_t count() const { return count_; }
  // The titles of all of them, without the field's padding, when asked for.
  std::vector<std::string>& titles() { return titles_; }

  // Writes their text, read again from `input` (the input itself, or a copy of its bytes), to
  // `path` as an output of `source` (see OutputFile::create). Returns 0 or an errno value.
  int write(mirtabel::RandomAccessFile& input, const wchar_t* path,
            const mirtabel::InputFile& source, const mirtabel::OutputOptions& options) const;

 private:
  bool keep_titles_;
  std::size_t count_ = 0;
  bool lost_ = false;  // a recipe's place could not be kept (no memory)
  std::vector<mirtabel::RecipePlace> places_;
  std::vector<std::string> titles_;
};

#endif
