// The conversion as the JavaScript module runs it. The input is pulled from the JavaScript side
// and the output pushed back to it one buffer at a time, so neither is ever held whole in the
// WebAssembly memory, whose size is fixed.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "convert/conversion_observer.h"
#include "convert/convert_mxp.h"
#include "host/input_check.h"
#include "platform/input_encoding.h"
#include "recipes/convert_mxp_to_html.h"
#include "recipes/convert_mxp_to_json.h"

// The JavaScript side, web/mirtabel_hooks.js.
extern "C" {
// Copies the next input bytes to `buffer`; returns their number (0 at the end), or -1 when the
// caller's progress callback threw, which stops the conversion.
int mirtabel_read_input(unsigned char* buffer, std::size_t capacity);
// Starts the input over from its first byte, for a second reading.
void mirtabel_rewind_input();
// Takes `size` output bytes; returns 0, or -1 when there is no memory left to hold them.
int mirtabel_write_output(const unsigned char* bytes, std::size_t size);
// Hears of a recipe left out; the offsets are those of mirtabel::LeftOutRecipe (exact as
// doubles up to 2^53 bytes).
void mirtabel_recipe_left_out(const unsigned char* title_field, std::size_t title_size,
                              double first_line_end, double begin, double end,
                              std::int32_t records_before);
// Hears how many recipes of the structured export were too large to keep whole.
void mirtabel_recipes_cut(std::int32_t count);
// Hears why the input does not look like MXP text, in words ("it is empty").
void mirtabel_input_doubt(const char* reason, std::size_t size);
}

namespace {

// What mirtabel_convert returns instead of a record count; web/mirtabel_api.js names each.
enum Status : std::int32_t {
  kUnknownFormat = -1,
  kUnknownEncoding = -3,
  kOutOfMemory = -4,
  kStopped = -5,
  kTooManyRecords = -6,
};

// The input, whose first bytes are kept for the check whether it looks like MXP at all: as many
// as mxpconvert keeps for it.
class JsInput final : public mirtabel::ByteSource {
 public:
  static constexpr std::size_t kFirstBytes = 32 * 1024;

  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const int size = mirtabel_read_input(buffer, capacity);
    if (size < 0) return {0, ECANCELED};
    const std::size_t read = static_cast<std::size_t>(size);
    const std::size_t kept = read < kFirstBytes - first_size_ ? read : kFirstBytes - first_size_;
    std::memcpy(first_ + first_size_, buffer, kept);
    first_size_ += kept;
    return {read, 0};
  }

  const unsigned char* first_bytes() const { return first_; }
  std::size_t first_size() const { return first_size_; }

 private:
  unsigned char first_[kFirstBytes];
  std::size_t first_size_ = 0;
};

// The input read again from its start: the first read starts it over.
class JsInputAgain final : public mirtabel::ByteSource {
 public:
  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    if (!started_) mirtabel_rewind_input();
    started_ = true;
    const int size = mirtabel_read_input(buffer, capacity);
    if (size < 0) return {0, ECANCELED};
    return {static_cast<std::size_t>(size), 0};
  }

 private:
  bool started_ = false;
};

class JsOutput final : public mirtabel::ByteSink {
 public:
  int write(const unsigned char* bytes, std::size_t size) noexcept override {
    return mirtabel_write_output(bytes, size) == 0 ? 0 : ENOMEM;
  }
};

class JsLeftOut final : public mirtabel::ConversionObserver {
 public:
  void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
    ++count_;
    mirtabel_recipe_left_out(
        recipe.title_field, recipe.title_size, static_cast<double>(recipe.first_line_end),
        static_cast<double>(recipe.begin), static_cast<double>(recipe.end), recipe.records_before);
  }

  std::size_t count() const { return count_; }

 private:
  std::size_t count_ = 0;
};

// Tells the JavaScript side when the input does not look like MXP, as mxpconvert warns, judged
// by the recipes the conversion found: those written and those left out.
void check_input(const JsInput& input, const mirtabel::ConversionResult& result,
                 std::size_t left_out, mirtabel::InputEncoding encoding) {
  if (result.error != 0) return;
  const InputDoubt doubt =
      doubt_about(input.first_bytes(), input.first_size(), result.bytes_read,
                  static_cast<std::size_t>(result.records) + left_out, encoding);
  if (doubt == InputDoubt::kNone) return;
  const char* reason = doubt_reason(doubt);
  mirtabel_input_doubt(reason, std::strlen(reason));
}

std::int32_t status_of(const mirtabel::ConversionResult& result) {
  if (result.error == 0) return result.records;
  if (result.failed_file == mirtabel::FailedFile::kOutput) return kOutOfMemory;
  return result.error == ECANCELED ? kStopped : kTooManyRecords;
}

// The structured export reads each recipe into stores of its own, taken from the heap for the
// call.
std::int32_t convert_to_json(JsInput& input, mirtabel::ByteSink& output,
                             const mirtabel::ConversionOptions& options) {
  const mirtabel::RoomyRecipeStores stores;
  if (!stores.allocated()) return kOutOfMemory;
  const mirtabel::JsonExportResult result =
      mirtabel::convert_mxp_to_json(input, output, options, stores.stores());
  mirtabel_recipes_cut(result.cut_recipes);
  check_input(input, result.conversion, 0, options.encoding);
  return status_of(result.conversion);
}

// The cookbook reads the input twice, the second time from the start again.
std::int32_t convert_to_html(JsInput& input, mirtabel::ByteSink& output,
                             const mirtabel::ConversionOptions& options, const char* title) {
  const mirtabel::RoomyRecipeStores stores;
  if (!stores.allocated()) return kOutOfMemory;
  JsInputAgain again;
  const mirtabel::JsonExportResult result =
      mirtabel::convert_mxp_to_html(input, again, output, options, stores.stores(), title);
  mirtabel_recipes_cut(result.cut_recipes);
  check_input(input, result.conversion, 0, options.encoding);
  return status_of(result.conversion);
}

std::int32_t convert_to_records(JsInput& input, mirtabel::ByteSink& output,
                                mirtabel::ConversionOptions& options) {
  JsLeftOut left_out;
  options.observer = &left_out;
  const mirtabel::ConversionResult result = mirtabel::convert_mxp(input, output, options);
  check_input(input, result, left_out.count(), options.encoding);
  return status_of(result);
}

}  // namespace

// Converts the input the JavaScript side holds into `format` ("records", "json" or "html"),
// reading bytes without a byte-order mark as `encoding` (a name input_encoding_from_name takes);
// `title` (UTF-8) titles a cookbook. Returns the number of records (or recipes) written, or a
// negative Status.
extern "C" EMSCRIPTEN_KEEPALIVE std::int32_t mirtabel_convert(const char* format,
                                                              const char* encoding,
                                                              const char* title) {
  mirtabel::ConversionOptions options;
  if (!mirtabel::input_encoding_from_name(encoding, options.encoding)) return kUnknownEncoding;
  JsInput input;
  JsOutput output;
  // Each format picks its output here.
  const std::string_view name(format);
  if (name == "records") return convert_to_records(input, output, options);
  if (name == "json") return convert_to_json(input, output, options);
  if (name == "html") return convert_to_html(input, output, options, title);
  return kUnknownFormat;
}
