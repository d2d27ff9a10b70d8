#include "convert/convert_files.h"

#include "platform/file.h"

namespace mirtabel {

ConversionResult convert_files(const wchar_t* input_path, const wchar_t* output_path,
                               const ConversionOptions& options) noexcept {
  ConversionResult result;
  InputFile input;
  if ((result.error = input.open(input_path)) != 0) {
    result.failed_file = FailedFile::kInput;
    return result;
  }
  OutputFile output;
  if ((result.error = output.create(output_path, input)) != 0) {
    result.failed_file = FailedFile::kOutput;
    return result;
  }
  result = convert_mxp(input, output, options);
  const int close_error = output.close();
  if (result.error == 0 && close_error != 0) {
    result.error = close_error;
    result.failed_file = FailedFile::kOutput;
  }
  return result;
}

}  // namespace mirtabel
