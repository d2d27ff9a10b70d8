// ConvertMXP: converts one file into another and reports the outcome as a count, or as -1 with
// errno.
#include <cerrno>

#include "convert/convert_files.h"
#include "exports/mirtabel.h"

extern "C" MIRTABEL_API int32_t ConvertMXP(const wchar_t* input_path, const wchar_t* output_path) {
  if (input_path == nullptr || output_path == nullptr) {
    errno = EINVAL;
    return -1;
  }
  // The files are closed when convert_files returns, so nothing after it changes errno.
  const mirtabel::ConversionResult result = mirtabel::convert_files(input_path, output_path);
  if (result.error != 0) {
    errno = result.error;
    return -1;
  }
  return result.records;
}
