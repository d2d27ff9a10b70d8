// The conversion itself, on any byte source and sink. ConvertMXP runs it on two files; tests and
// the fuzzer run it on memory.
#ifndef MIRTABEL_CONVERT_CONVERT_MXP_H
#define MIRTABEL_CONVERT_CONVERT_MXP_H

#include <cstdint>

#include "convert/conversion_options.h"
#include "platform/byte_stream.h"
#include "platform/encoding_choice.h"

namespace mirtabel {

// Which of the two files a failure concerns.
enum class FailedFile { kNone, kInput, kOutput };

struct ConversionResult {
  std::int32_t records = 0;  // records written
  int error = 0;             // 0, or the errno value of the failure that stopped the conversion
  FailedFile failed_file = FailedFile::kNone;
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_written = 0;
  std::int32_t empty_titles = 0;            // recipes framed whose title line holds no title
  std::int32_t past_body_limit = 0;         // recipes framed whose record body passed its limit
  std::uint32_t lines_but_for_spacing = 0;  // lines that are the marker but for spacing
  EncodingChoice encoding;  // how the bytes without a byte-order mark were read, and why
};

// Converts the MXP text read from `input` into recipe records written to `output`, or, with a
// listener in `options`, hands the recipes to it. Uses at most 96 KiB of stack and no heap.
ConversionResult convert_mxp(ByteSource& input, ByteSink& output,
                             const ConversionOptions& options = {}) noexcept;

}  // namespace mirtabel

#endif
