// What a conversion API call hands back: a code, errno, and the report's figures.
#ifndef MIRTABEL_EXPORTS_API_OUTCOME_H
#define MIRTABEL_EXPORTS_API_OUTCOME_H

#include <cstdint>

#include "convert/convert_mxp.h"
#include "exports/binary_input.h"
#include "exports/format_conversion.h"
#include "exports/mirtabel.h"

namespace mirtabel {

struct ApiOutcome {
  int code = MIRTABEL_OK;
  int error = 0;  // the errno value of a failure
  std::int32_t records = 0;
  std::int32_t left_out = 0;
  std::int32_t cut = 0;
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_written = 0;
  EncodingChoice encoding;
  const char* not_text = nullptr;  // what an input refused as binary looks like
  std::int32_t too_long = 0;
  std::int32_t warnings = 0;

  // Tells `warning` (when not null) of each warning of `conversion`, after a conversion that
  // succeeded.
  void tell_warnings(const FormatConversion& conversion, mirtabel_warning_function warning,
                     void* context) noexcept;
  // Notes a failure; `error` 0 takes the errno value that goes with the code.
  void fail(int failure, int error_value = 0) noexcept;
  // Takes the figures and the failure, if any, of a conversion.
  void take(const ConversionResult& result) noexcept;
  // The same for a conversion in a format, with its recipes written cut.
  void take(const FormatResult& result) noexcept;
  // Notes `copy`'s failure, when the cookbook needs the copy: the second reading would report it
  // as the input's. Before the conversion, it stops the call with nothing read.
  void take_copy_failure(const CopiedInput& copy, bool cookbook) noexcept;
  // Notes an input that `check` refused: the conversion met it as a failed read.
  void take_refusal(const BinaryCheck& check) noexcept;
};

// Fills `report` (when not null), sets errno on failure, and returns the outcome's code.
int hand_back(const ApiOutcome& outcome, mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
