#include "convert/convert_files.h"

namespace mirtabel {

ConversionResult convert_files(const wchar_t* input_path, const wchar_t* output_path,
                               const ConversionOptions& options,
                               const OutputOptions& output_options) noexcept {
  ConversionResult result;
  InputFile input;
  if ((result.error = input.open(input_path)) != 0) {
    result.failed_file = FailedFile::kInput;
    return result;
  }
  OutputFile output;
  if ((result.error = output.create(output_path, input, output_options)) != 0) {
    result.failed_file = FailedFile::kOutput;
    return result;
  }
  result = convert_mxp(input, output, options);
  if (result.error == 0) {
    // Until here the output's path holds what it held before; a failure leaves it so.
    result.error = output.commit();
    if (result.error != 0) result.failed_file = FailedFile::kOutput;
  }
  return result;
}

}  // namespace mirtabel
