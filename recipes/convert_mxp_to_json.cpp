#include "recipes/convert_mxp_to_json.h"

#include "convert/recipe_listener.h"
#include "recipes/json_writer.h"
#include "recipes/recipe_json.h"
#include "recipes/structured_reading.h"

namespace mirtabel {
namespace {

// Reads each recipe the framing loop hands over and writes it once it has ended.
class JsonLinesExport final : public RecipeListener {
 public:
  JsonLinesExport(ByteSink& output, const StructuredRecipeStores& stores) noexcept
      : reading_(stores), json_(output) {}

  void recipe_started(LayoutKind layout, const TextLine& title_line,
                      std::size_t title_start) noexcept override {
    reading_.start(layout, title_line, title_start);
  }
  void recipe_line(const TextLine& line) noexcept override { reading_.read(line); }
  int recipe_ended() noexcept override {
    reading_.finish();
    write_recipe_json(json_, reading_.recipe());
    if (reading_.recipe().is_cut() && json_.error() == 0) ++cut_recipes_;
    return json_.error();
  }

  JsonWriter& json() noexcept { return json_; }
  std::int32_t cut_recipes() const noexcept { return cut_recipes_; }

 private:
  StructuredReading reading_;
  JsonWriter json_;
  std::int32_t cut_recipes_ = 0;
};

}  // namespace

JsonExportResult convert_mxp_to_json(ByteSource& input, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores) noexcept {
  JsonLinesExport json_lines(output, stores);
  ConversionOptions structured = options;
  structured.observer = nullptr;
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
