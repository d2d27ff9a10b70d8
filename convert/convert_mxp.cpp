#include "convert/convert_mxp.h"

#include <cerrno>

#include "convert/recipe_framer.h"
#include "convert/recipe_lines.h"
#include "convert/record_builder.h"
#include "platform/output_buffer.h"
#include "platform/simd_path.h"
#include "platform/text_reader.h"

namespace mirtabel {
namespace {

// Frames the input for `client`, has `finish` write out what is left, and tells how that went.
// Each client's conversion is a function of its own, so that the stack holds only the buffers of
// the one that runs.
template <class Client, class Finish>
ConversionResult frame(TextReader& reader, Client& client, const ConversionOptions& options,
                       Finish finish) noexcept {
  RecipeFramer<Client> framer(reader, client, options);
  ConversionResult result;
  result.records = framer.run();
  finish();
  if (reader.error() != 0) {
    result.error = reader.error();
    result.failed_file = FailedFile::kInput;
  } else if (client.error() != 0) {
    result.error = client.error();
    result.failed_file = FailedFile::kOutput;
  } else if (framer.count_overflowed()) {
    result.error = EOVERFLOW;
    result.failed_file = FailedFile::kInput;
  }
  result.bytes_read = reader.bytes_read();
  result.encoding = reader.encoding_choice();
  result.empty_titles = framer.empty_titles();
  result.past_body_limit = client.past_body_limit();
  result.lines_but_for_spacing = framer.lines_but_for_spacing();
  return result;
}

[[gnu::noinline]] ConversionResult build_records(TextReader& reader, ByteSink& output,
                                                 const ConversionOptions& options) noexcept {
  OutputBuffer buffer(output, options.write_at, options.output_capacity);
  RecordBuilder builder(buffer, options.observer);
  // The records written before a failed read stay written.
  ConversionResult result = frame(reader, builder, options, [&buffer] { buffer.flush(); });
  result.bytes_written = buffer.bytes_written();
  return result;
}

[[gnu::noinline]] ConversionResult hand_over_lines(TextReader& reader, RecipeListener& listener,
                                                   const ConversionOptions& options) noexcept {
  RecipeLines lines(listener);
  return frame(reader, lines, options, [] {});
}

}  // namespace

ConversionResult convert_mxp(ByteSource& input, ByteSink& output,
                             const ConversionOptions& options) noexcept {
  const SimdPath path = options.simd_path && simd_path_available(*options.simd_path)
                            ? *options.simd_path
                            : chosen_simd_path();
  TextReader reader(input, options.encoding, stop_marker(path), options.read_buffer_limit,
                    options.whole_input);
  return options.listener != nullptr ? hand_over_lines(reader, *options.listener, options)
                                     : build_records(reader, output, options);
}

}  // namespace mirtabel
