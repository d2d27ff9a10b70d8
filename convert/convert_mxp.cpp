#include "convert/convert_mxp.h"

#include <cerrno>

#include "convert/record_scanner.h"
#include "platform/output_buffer.h"
#include "platform/simd_path.h"
#include "platform/text_reader.h"

namespace mirtabel {

ConversionResult convert_mxp(ByteSource& input, ByteSink& output,
                             const ConversionOptions& options) noexcept {
  const SimdPath path = options.simd_path && simd_path_available(*options.simd_path)
                            ? *options.simd_path
                            : chosen_simd_path();
  TextReader reader(input, options.encoding, stop_marker(path), options.read_buffer_limit,
                    options.whole_input);
  OutputBuffer buffer(output, options.write_at, options.output_capacity);
  RecordScanner scanner(reader, buffer, options);
  ConversionResult result;
  result.records = scanner.run();
  buffer.flush();
  if (reader.error() != 0) {
    result.error = reader.error();
    result.failed_file = FailedFile::kInput;
  } else if (buffer.error() != 0 || scanner.listener_error() != 0) {
    result.error = buffer.error() != 0 ? buffer.error() : scanner.listener_error();
    result.failed_file = FailedFile::kOutput;
  } else if (scanner.count_overflowed()) {
    result.error = EOVERFLOW;
    result.failed_file = FailedFile::kInput;
  }
  result.bytes_read = reader.bytes_read();
  result.bytes_written = buffer.bytes_written();
  result.empty_titles = scanner.empty_titles();
  result.past_body_limit = scanner.past_body_limit();
  result.lines_but_for_spacing = scanner.lines_but_for_spacing();
  result.encoding = reader.encoding_choice();
  return result;
}

}  // namespace mirtabel
