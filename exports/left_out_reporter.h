// Hears of the recipes a conversion leaves out (or, after it, of those it wrote cut), on the
// converting thread: counts them, tells the caller's callback, and has the side file copy their
// text.
#ifndef MIRTABEL_EXPORTS_LEFT_OUT_REPORTER_H
#define MIRTABEL_EXPORTS_LEFT_OUT_REPORTER_H

#include <cstdint>

#include "convert/conversion_observer.h"
#include "exports/api_settings.h"
#include "exports/left_out_side_file.h"

namespace mirtabel {

class LeftOutReporter final : public ConversionObserver {
 public:
  // `side_file` may be null; `reason` is what the callback hears (MIRTABEL_LEFT_OUT_*).
  LeftOutReporter(const ApiSettings& settings, LeftOutSideFile* side_file,
                  std::int32_t reason = MIRTABEL_LEFT_OUT_TOO_LONG) noexcept
      : settings_(settings), side_file_(side_file), reason_(reason) {}

  void recipe_left_out(const LeftOutRecipe& recipe) noexcept override;

  std::int32_t count() const noexcept { return count_; }

 private:
  const ApiSettings& settings_;
  LeftOutSideFile* side_file_;
  std::int32_t reason_;
  std::int32_t count_ = 0;
};

}  // namespace mirtabel

#endif
