#include "convert/convert_mxp.h"

#include <cerrno>

#include "convert/record_scanner.h"
#include "platform/text_reader.h"
#include "platform/text_writer.h"

namespace mirtabel {

ConversionResult convert_mxp(ByteSource& input, ByteSink& output,
                             const ConversionOptions& options) noexcept {
  TextReader reader(input, options.encoding);
  TextWriter writer(output);
  RecordScanner scanner(reader, writer, options);
  ConversionResult result;
  result.records = scanner.run();
  writer.flush();
  if (reader.error() != 0) {
    result.error = reader.error();
    result.failed_file = FailedFile::kInput;
  } else if (writer.error() != 0 || scanner.listener_error() != 0) {
    result.error = writer.error() != 0 ? writer.error() : scanner.listener_error();
    result.failed_file = FailedFile::kOutput;
  } else if (scanner.count_overflowed()) {
    result.error = EOVERFLOW;
    result.failed_file = FailedFile::kInput;
  }
  result.bytes_read = reader.bytes_read();
  result.bytes_written = writer.bytes_written();
  return result;
}

}  // namespace mirtabel
