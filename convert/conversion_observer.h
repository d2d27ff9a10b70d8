// What a conversion may tell its caller besides the count of records: the recipes it left out.
// ConvertMXP passes no observer; mxpconvert passes one to report them to its user.
#ifndef MIRTABEL_CONVERT_CONVERSION_OBSERVER_H
#define MIRTABEL_CONVERT_CONVERSION_OBSERVER_H

#include <cstddef>

namespace mirtabel {

class ConversionObserver {
 public:
  // A recipe was left out because its text grew past the body limit. `title_field` is its
  // 100-character title field (UTF-8, `size` bytes, padded with spaces), valid during the call.
  // Called on the converting thread; must not throw.
  virtual void recipe_dropped(const unsigned char* title_field, std::size_t size) noexcept = 0;

 protected:
  ~ConversionObserver() = default;
};

}  // namespace mirtabel

#endif
