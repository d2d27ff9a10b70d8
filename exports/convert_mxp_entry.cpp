// ConvertMXP: converts one file into another and reports the outcome as a count, or as -1 with
// errno. It reads bytes without a byte-order mark as UTF-8, refuses no input as binary and writes
// no side file, as it always has.
#include <cerrno>

#include "exports/mirtabel.h"
#include "file_conversion/file_conversion.h"

extern "C" MIRTABEL_API int32_t ConvertMXP(const wchar_t* input_path, const wchar_t* output_path) {
  if (input_path == nullptr || output_path == nullptr) {
    errno = EINVAL;
    return -1;
  }
  mirtabel::FileConversionJob job;
  job.input_path.wide = input_path;
  job.output_path.wide = output_path;
  job.encoding = mirtabel::InputEncoding::kUtf8;
  job.force = true;
  // The files are closed when run returns, so nothing after it changes errno.
  const mirtabel::FileOutcome outcome = mirtabel::FileConversion().run(job);
  if (outcome.error != 0) {
    errno = outcome.error;
    return -1;
  }
  return outcome.conversion.records;
}
