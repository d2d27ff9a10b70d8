#include "convert/convert_mxp.h"

#include <cerrno>

#include "convert/record_scanner.h"
#include "platform/text_reader.h"
#include "platform/text_writer.h"

namespace mirtabel {

ConversionResult convert_mxp(ByteSource& input, ByteSink& output,
                             ConversionObserver* observer) noexcept {
  TextReader reader(input);
  TextWriter writer(output);
  RecordScanner scanner(reader, writer, observer);
  ConversionResult result;
  result.records = scanner.run();
  writer.flush();
  if (reader.error() != 0) {
    result.error = reader.error();
    result.failed_file = FailedFile::kInput;
  } else if (writer.error() != 0) {
    result.error = writer.error();
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
