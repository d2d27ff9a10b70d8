// ConvertMXP: opens the two files, runs the conversion, closes them, and reports the outcome as
// a count or as -1 with errno.
#include <cerrno>

#include "convert/convert_mxp.h"
#include "exports/mirtabel.h"
#include "platform/file.h"

namespace {

// The files close when this returns, before errno is set from the result.
mirtabel::ConversionResult convert_files(const wchar_t* input_path,
                                         const wchar_t* output_path) noexcept {
  mirtabel::InputFile input;
  if (int error = input.open(input_path)) return {0, error};
  mirtabel::OutputFile output;
  if (int error = output.create(output_path, input)) return {0, error};
  mirtabel::ConversionResult result = mirtabel::convert_mxp(input, output);
  const int close_error = output.close();
  if (result.error == 0) result.error = close_error;
  return result;
}

}  // namespace

extern "C" MIRTABEL_API int32_t ConvertMXP(const wchar_t* input_path, const wchar_t* output_path) {
  if (input_path == nullptr || output_path == nullptr) {
    errno = EINVAL;
    return -1;
  }
  const mirtabel::ConversionResult result = convert_files(input_path, output_path);
  if (result.error != 0) {
    errno = result.error;
    return -1;
  }
  return result.records;
}
