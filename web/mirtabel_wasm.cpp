// The conversion as the JavaScript module runs it: the C API's stream form, the path every host
// takes, with the JavaScript side's hooks as its read, rewind, write and left-out functions. The
// input is pulled from the JavaScript side and the output pushed back to it one buffer at a time,
// so neither is ever held whole in the WebAssembly memory, whose size is fixed.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "exports/mirtabel.h"
#include "host/input_check.h"
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
// Hears how many recipes of the structured export were too large to keep whole.
void mirtabel_recipes_cut(std::int32_t count);
// Hears why the input does not look like MXP text, in words ("it is empty").
void mirtabel_input_doubt(const char* reason, std::size_t size);
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

// The JavaScript input, whose first bytes are kept for the check whether it looks like MXP at
// all: as many as mxpconvert keeps for it, of the first reading only.
struct JsInput {
  static constexpr std::size_t kFirstBytes = 32 * 1024;

  unsigned char first[kFirstBytes];
  std::size_t first_size = 0;
  bool rewound = false;
};

std::ptrdiff_t read_input(void* context, unsigned char* buffer, std::size_t capacity) {
  auto& input = *static_cast<JsInput*>(context);
  const int size = mirtabel_read_input(buffer, capacity);
  if (size < 0) return -ECANCELED;
  const std::size_t read = static_cast<std::size_t>(size);
  if (!input.rewound) {
    const std::size_t room = JsInput::kFirstBytes - input.first_size;
    const std::size_t kept = read < room ? read : room;
    std::memcpy(input.first + input.first_size, buffer, kept);
    input.first_size += kept;
  }
  return static_cast<std::ptrdiff_t>(read);
}

int rewind_input(void* context) {
  static_cast<JsInput*>(context)->rewound = true;
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

// Tells the JavaScript side when the input does not look like MXP, as mxpconvert warns, judged
// by the recipes the conversion found: those written and those left out.
void check_input(const JsInput& input, const mirtabel_report& report,
                 mirtabel::InputEncoding encoding) {
  const InputDoubt doubt = doubt_about(
      input.first, input.first_size, report.bytes_read,
      static_cast<std::size_t>(report.records) + static_cast<std::size_t>(report.left_out),
      encoding);
  if (doubt == InputDoubt::kNone) return;
  const char* reason = doubt_reason(doubt);
  mirtabel_input_doubt(reason, std::strlen(reason));
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
// `title` (UTF-8) titles a cookbook. Returns the number of records (or recipes) written, or a
// negative Status.
extern "C" EMSCRIPTEN_KEEPALIVE std::int32_t mirtabel_wasm_convert(const char* format,
                                                                   const char* encoding,
                                                                   const char* title) {
  mirtabel_options options{};
  options.size = sizeof options;
  const std::string_view name(format);
  if (name == "records") {
    options.format = MIRTABEL_FORMAT_RECORDS;
  } else if (name == "json") {
    options.format = MIRTABEL_FORMAT_JSON_LINES;
  } else if (name == "html") {
    options.format = MIRTABEL_FORMAT_HTML;
  } else {
    return kUnknownFormat;
  }
  mirtabel::InputEncoding input_encoding;
  if (!mirtabel::input_encoding_from_name(encoding, input_encoding)) return kUnknownEncoding;
  options.encoding = encoding;
  options.title = title;
  options.rewind = rewind_input;
  options.left_out = recipe_left_out;
  // The page warns about a file that is not MXP text (mirtabel_input_doubt) and keeps it in its
  // list, rather than refusing it.
  options.force = 1;
  JsInput input;
  mirtabel_report report{};
  report.size = sizeof report;
  const int code = mirtabel_convert_stream(read_input, write_output, &input, &options, &report);
  if (code == MIRTABEL_OK) {
    if (options.format != MIRTABEL_FORMAT_RECORDS) mirtabel_recipes_cut(report.cut);
    check_input(input, report, input_encoding);
  }
  return status_of(code, report);
}
