// Hears of the recipes a conversion leaves out or writes cut, on the converting thread: counts
// those left out, tells the caller's callback of each, and has the side file copy their text.
#ifndef MIRTABEL_EXPORTS_LEFT_OUT_REPORTER_H
#define MIRTABEL_EXPORTS_LEFT_OUT_REPORTER_H

#include <cstdint>

#include "convert/conversion_observer.h"
#include "exports/api_settings.h"
#include "exports/left_out_side_file.h"

namespace mirtabel {

class LeftOutReporter final : public ConversionObserver {
 public:
  // `side_file` may be null.
  LeftOutReporter(const ApiSettings& settings, LeftOutSideFile* side_file) noexcept
      : settings_(settings), side_file_(side_file) {}

  void recipe_left_out(const LeftOutRecipe& recipe) noexcept override;

  // The recipes left out; those written cut are counted in the conversion's result.
  std::int32_t count() const noexcept { return count_; }

 private:
  const ApiSettings& settings_;
  LeftOutSideFile* side_file_;
  std::int32_t count_ = 0;
};

}  // namespace mirtabel

#endif
