// What a conversion may tell its caller besides the count of records: the recipes it left out or
// wrote cut, and where their text stands in the input, so that the caller can keep it.
// ConvertMXP passes no observer; mxpconvert passes one to report them to its user.
#ifndef MIRTABEL_CONVERT_CONVERSION_OBSERVER_H
#define MIRTABEL_CONVERT_CONVERSION_OBSERVER_H

#include <cstddef>
#include <cstdint>

namespace mirtabel {

// Where a recipe stands in the input. Offsets count the input's bytes from its start, a
// byte-order mark included. The input's bytes [0, first_line_end) followed by [begin, end) are
// an MXP text that holds this recipe alone, as it stood in the input.
struct RecipePlace {
  std::uint64_t first_line_end;  // just past the input's first line, the marker line
  std::uint64_t begin;           // the line after the recipe's own marker line
  std::uint64_t end;             // where the next recipe's marker line starts, or the input's end
};

enum class LeftOutReason {
  kTooLong,  // the records leave out a recipe whose text grew past the body limit
  kCut,      // JSON Lines and HTML write a recipe too large for their stores cut
};

struct LeftOutRecipe {
  const unsigned char* title_field;  // its 100-character title field, UTF-8, padded with spaces
  std::size_t title_size;            // in bytes
  RecipePlace place;
  std::int32_t records_before;  // the recipes written before it, which the output holds first
  LeftOutReason reason;
};

class ConversionObserver {
 public:
  // Called on the converting thread once the recipe's end is known, with pointers valid during
  // the call only. Not called after a read or a write has failed. Must not throw.
  virtual void recipe_left_out(const LeftOutRecipe& recipe) noexcept = 0;

 protected:
  ~ConversionObserver() = default;
};

}  // namespace mirtabel

#endif
