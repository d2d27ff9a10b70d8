// The conversion as the JavaScript module runs it. The input is pulled from the JavaScript side
// and the output pushed back to it one buffer at a time, so neither is ever held whole in the
// WebAssembly memory, whose size is fixed.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/conversion_observer.h"
#include "convert/convert_mxp.h"
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
                              double first_line_end, double begin, double end);
// Hears how many recipes of the structured export were too large to keep whole.
void mirtabel_recipes_cut(std::int32_t count);
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

class JsInput final : public mirtabel::ByteSource {
 public:
  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const int size = mirtabel_read_input(buffer, capacity);
    if (size < 0) return {0, ECANCELED};
    return {static_cast<std::size_t>(size), 0};
  }
};

// The input read again from its start: the first read starts it over.
class JsInputAgain final : public mirtabel::ByteSource {
 public:
  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    if (!started_) mirtabel_rewind_input();
    started_ = true;
    return input_.read(buffer, capacity);
  }

 private:
  JsInput input_;
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
    mirtabel_recipe_left_out(recipe.title_field, recipe.title_size,
                             static_cast<double>(recipe.first_line_end),
                             static_cast<double>(recipe.begin), static_cast<double>(recipe.end));
  }
};

std::int32_t status_of(const mirtabel::ConversionResult& result) {
  if (result.error == 0) return result.records;
  if (result.failed_file == mirtabel::FailedFile::kOutput) return kOutOfMemory;
  return result.error == ECANCELED ? kStopped : kTooManyRecords;
}

// The structured export reads each recipe into stores of its own, taken from the heap for the
// call.
std::int32_t convert_to_json(mirtabel::ByteSource& input, mirtabel::ByteSink& output,
                             const mirtabel::ConversionOptions& options) {
  const mirtabel::RoomyRecipeStores stores;
  if (!stores.allocated()) return kOutOfMemory;
  const mirtabel::JsonExportResult result =
      mirtabel::convert_mxp_to_json(input, output, options, stores.stores());
  mirtabel_recipes_cut(result.cut_recipes);
  return status_of(result.conversion);
}

// The cookbook reads the input twice, the second time from the start again.
std::int32_t convert_to_html(mirtabel::ByteSource& input, mirtabel::ByteSink& output,
                             const mirtabel::ConversionOptions& options, const char* title) {
  const mirtabel::RoomyRecipeStores stores;
  if (!stores.allocated()) return kOutOfMemory;
  JsInputAgain again;
  const mirtabel::JsonExportResult result =
      mirtabel::convert_mxp_to_html(input, again, output, options, stores.stores(), title);
  mirtabel_recipes_cut(result.cut_recipes);
  return status_of(result.conversion);
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
  JsLeftOut left_out;
  options.observer = &left_out;
  // Each format picks its output here.
  const std::string_view name(format);
  if (name == "records") return status_of(mirtabel::convert_mxp(input, output, options));
  if (name == "json") return convert_to_json(input, output, options);
  if (name == "html") return convert_to_html(input, output, options, title);
  return kUnknownFormat;
}
