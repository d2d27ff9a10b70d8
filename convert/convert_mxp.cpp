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
  const std::int32_t records = scanner.run();
  writer.flush();
  if (reader.error() != 0) return {records, reader.error()};
  if (writer.error() != 0) return {records, writer.error()};
  if (scanner.count_overflowed()) return {records, EOVERFLOW};
  return {records, 0};
}

}  // namespace mirtabel
