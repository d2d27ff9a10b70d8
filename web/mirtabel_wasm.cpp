// The conversion as the JavaScript module runs it: the C API's stream form, the path every host
// takes, with the JavaScript side's hooks as its read, rewind, write and left-out functions. The
// input is pulled from the JavaScript side and the output pushed back to it one buffer at a time,
// so neither is ever held whole in the WebAssembly memory, whose size is fixed.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/output_format.h"
#include "exports/mirtabel.h"
#include "platform/input_encoding.h"

// The JavaScript side, web/mirtabel_hooks.js.
extern "C" {
// Copies the next input bytes to `buffer`; returns their number (0 at the end), or -1 when the
// caller's progress callback threw, which stops the conversion.
int mirtabel_read_input(unsigned char* buffer, std::size_t capacity);
// Starts the input over from its first byte, for a second reading.
void mirtabel_rewind_input();
// Takes `size` output bytes; returns 0, or -1 when there is no memory left to hold them.
int mirtabel_write_output(const unsigned char* bytes, std::size_t size);
// Hears of a recipe left out: its title (UTF-8, without the record's padding) and its place in
// the input, as mirtabel_left_out gives them (exact as doubles up to 2^53 bytes).
void mirtabel_recipe_left_out(const char* title, std::size_t title_size, double first_line_end,
                              double begin, double end, std::int32_t records_before);
// Hears how many recipes of the structured export were too large to keep whole, and how many
// passed the records' length, kept whole.
void mirtabel_recipes_cut(std::int32_t count, std::int32_t too_long);
// Hears a warning about the input: its kind (MIRTABEL_WARNING_*) and its text, in words that
// follow the input's name ("does not look like an MXP recipe export: it is empty").
void mirtabel_input_warning(std::int32_t kind, const char* text, std::size_t size);
// Hears the marker line the conversion used.
void mirtabel_marker_used(const char* text, std::size_t size);
}

namespace {

// What mirtabel_wasm_convert returns instead of a record count; web/mirtabel_api.js names each.
enum Status : std::int32_t {
  kUnknownFormat = -1,
  kUnknownEncoding = -3,
  kOutOfMemory = -4,
  kStopped = -5,
  kTooManyRecords = -6,
};

std::ptrdiff_t read_input(void*, unsigned char* buffer, std::size_t capacity) {
  const int size = mirtabel_read_input(buffer, capacity);
  if (size < 0) return -ECANCELED;
  return static_cast<std::ptrdiff_t>(size);
}

int rewind_input(void*) {
  mirtabel_rewind_input();
  return 0;
}

int write_output(void*, const unsigned char* bytes, std::size_t size) {
  return mirtabel_write_output(bytes, size) == 0 ? 0 : ENOMEM;
}

void recipe_left_out(void*, const mirtabel_left_out* recipe) {
  mirtabel_recipe_left_out(
      recipe->title, std::strlen(recipe->title), static_cast<double>(recipe->first_line_end),
      static_cast<double>(recipe->begin), static_cast<double>(recipe->end), recipe->records_before);
}

// The warnings mxpconvert gives, judged by the same code.
void warn(void*, const mirtabel_warning* warning) {
  mirtabel_input_warning(warning->kind, warning->text, std::strlen(warning->text));
}

std::int32_t status_of(int code, const mirtabel_report& report) {
  switch (code) {
    case MIRTABEL_OK:
      return report.records;
    case MIRTABEL_ERROR_OPTIONS:
      return kUnknownEncoding;  // the format and the title were checked before the call
    case MIRTABEL_ERROR_INPUT:
      return report.error == ECANCELED ? kStopped : kTooManyRecords;
    case MIRTABEL_ERROR_TOO_MANY:
      return kTooManyRecords;
    default:  // the output, or the structured formats' stores
      return kOutOfMemory;
  }
}

}  // namespace

// Converts the input the JavaScript side holds into `format` ("records", "json" or "html"),
// reading bytes without a byte-order mark as `encoding` (a name input_encoding_from_name takes);
// `title` (UTF-8) titles a cookbook; `marker` is the marker line, "auto", or "" for the input's
// first line. Returns the number of records (or recipes) written, or a negative Status.
extern "C" EMSCRIPTEN_KEEPALIVE std::int32_t mirtabel_wasm_convert(const char* format,
                                                                   const char* encoding,
                                                                   const char* title,
                                                                   const char* marker) {
  mirtabel_options options{};
  options.size = sizeof options;
  const mirtabel::OutputFormatNames* names = mirtabel::output_format_named(format);
  if (names == nullptr) return kUnknownFormat;
  options.format = static_cast<std::int32_t>(names->format);
  mirtabel::InputEncoding input_encoding;
  if (!mirtabel::input_encoding_from_name(encoding, input_encoding)) return kUnknownEncoding;
  options.encoding = encoding;
  options.title = title;
  options.rewind = rewind_input;
  options.left_out = recipe_left_out;
  options.marker = marker[0] != '\0' ? marker : nullptr;
  options.warning = warn;
  // The page warns about a file that is not MXP text (the warning callback) and keeps it in its
  // list, rather than refusing it.
  options.force = 1;
  mirtabel_report report{};
  report.size = sizeof report;
  const int code = mirtabel_convert_stream(read_input, write_output, nullptr, &options, &report);
  if (code == MIRTABEL_OK) {
    if (options.format != MIRTABEL_FORMAT_RECORDS)
      mirtabel_recipes_cut(report.cut, report.too_long);
    mirtabel_marker_used(report.marker, std::strlen(report.marker));
  }
  return status_of(code, report);
}
