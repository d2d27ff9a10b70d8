#include "recipes/convert_mxp_to_json.h"

#include "recipes/json_writer.h"
#include "recipes/recipe_json.h"
#include "recipes/structured_listener.h"

namespace mirtabel {
namespace {

// Writes each recipe as one line of JSON once it has been read.
class JsonLinesExport final : public StructuredListener {
 public:
  JsonLinesExport(ByteSink& output, const StructuredRecipeStores& stores,
                  ConversionObserver* cut) noexcept
      : StructuredListener(stores, cut), json_(output) {}

  JsonWriter& json() noexcept { return json_; }

 private:
  int write(const StructuredRecipe& recipe, std::int32_t) noexcept override {
    write_recipe_json(json_, recipe);
    return json_.error();
  }

  JsonWriter json_;
};

}  // namespace

JsonExportResult convert_mxp_to_json(ByteSource& input, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores) noexcept {
  JsonLinesExport json_lines(output, stores, options.observer);
  ConversionOptions structured = options;
  structured.listener = &json_lines;
  JsonExportResult result;
  result.conversion = convert_mxp(input, output, structured);
  const int flushed = json_lines.json().flush();
  if (result.conversion.error == 0 && flushed != 0) {
    result.conversion.error = flushed;
    result.conversion.failed_file = FailedFile::kOutput;
  }
  result.conversion.bytes_written = json_lines.json().bytes_written();
  result.cut_recipes = json_lines.cut_recipes();
  return result;
}

}  // namespace mirtabel
