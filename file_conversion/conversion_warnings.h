// The warnings of a conversion, judged from the input's start and the conversion's figures: an
// input that does not look like MXP, a first line that is not the recipes' marker, titles that
// came out empty, and exports joined into one file. Every host hears the same ones.
#ifndef MIRTABEL_FILE_CONVERSION_CONVERSION_WARNINGS_H
#define MIRTABEL_FILE_CONVERSION_CONVERSION_WARNINGS_H

#include <cstddef>
#include <cstdint>

#include "convert/convert_mxp.h"
#include "convert/marker_scan.h"
#include "exports/mirtabel.h"
#include "file_conversion/input_check.h"
#include "platform/byte_stream.h"
#include "platform/input_encoding.h"

namespace mirtabel {

struct ConversionWarning {
  int kind;        // MIRTABEL_WARNING_*
  char text[640];  // printable UTF-8, to follow the input's name: "does not look like ..."
};

// The input as the conversion reads it: its start is kept in `checks`, and may be read ahead
// (for the scan that chooses a marker) and then given again.
class StartKeeper final : public ByteSource {
 public:
  explicit StartKeeper(struct InputChecks& checks) noexcept : checks_(checks) {}

  // Starts over on `input`.
  void reset(ByteSource& input) noexcept;
  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;
  // Reads the input's start into the checks' store; returns 0 or the errno value of the read.
  int read_ahead() noexcept;

 private:
  ByteSource* input_ = nullptr;
  InputChecks& checks_;
  std::size_t replayed_ = 0;  // bytes of a start read ahead given again so far
  bool ahead_ = false;
};

// The input's start, kept for the checks, and the warnings judged from it. Some 40 KiB: taken
// from the heap, and only when the warnings are asked for, with the source that keeps it, so
// that the stack under the conversion does not grow.
struct InputChecks {
  static constexpr std::size_t kStartBytes = kInputStartBytes;  // what the doubts judge
  static constexpr std::size_t kMaxWarnings = 6;

  unsigned char start[kStartBytes];
  std::size_t start_size = 0;
  MarkerScan scan;  // of the start
  ConversionWarning warnings[kMaxWarnings];
  std::size_t warning_count = 0;
  StartKeeper keeper{*this};
};

// What the warnings are judged from besides the input's start.
struct WarningFacts {
  const ConversionResult* conversion;
  std::int32_t recipes;  // recipes framed: written and left out
  InputEncoding encoding;
  bool marker_given;       // a marker text, or one chosen by the scan
  bool marker_not_found;   // the scan for a marker found none
  const MarkerScan* scan;  // of the input's start
};

// Fills `checks.warnings`.
void judge_warnings(InputChecks& checks, const WarningFacts& facts) noexcept;

}  // namespace mirtabel

#endif
