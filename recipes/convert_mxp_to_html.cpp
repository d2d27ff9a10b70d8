#include "recipes/convert_mxp_to_html.h"

#include <cerrno>

#include "recipes/html_writer.h"
#include "recipes/json_writer.h"
#include "recipes/recipe_html.h"
#include "recipes/structured_listener.h"

namespace mirtabel {
namespace {

// Writes each recipe, once it has been read, as its entry in the contents (the first reading)
// or as its article (the second).
class CookbookPass final : public StructuredListener {
 public:
  enum class Part { kContents, kRecipes };

  CookbookPass(Part part, HtmlWriter& html, const StructuredRecipeStores& stores,
               ConversionObserver* cut) noexcept
      : StructuredListener(stores, cut), part_(part), html_(html), json_(html.script_data()) {}

 private:
  int write(const StructuredRecipe& recipe, std::int32_t recipes_before) noexcept override {
    const std::uint64_t number = static_cast<std::uint64_t>(recipes_before) + 1;
    if (part_ == Part::kContents) {
      write_contents_entry(html_, recipe, number);
    } else {
      write_recipe_html(html_, json_, recipe, number);
    }
    return html_.error();
  }

  Part part_;
  HtmlWriter& html_;
  JsonWriter json_;
};

}  // namespace

JsonExportResult convert_mxp_to_html(ByteSource& input, ByteSource& again, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores,
                                     std::string_view title) noexcept {
  HtmlWriter html(output);
  ConversionOptions structured = options;
  JsonExportResult result;
  write_cookbook_start(html, title);
  {
    // Only the second reading tells of the recipes written cut.
    CookbookPass contents(CookbookPass::Part::kContents, html, stores, nullptr);
    structured.listener = &contents;
    result.conversion = convert_mxp(input, output, structured);
  }
  if (result.conversion.error == 0) {
    const std::int32_t recipes = result.conversion.records;
    write_contents_end(html, static_cast<std::uint64_t>(recipes));
    CookbookPass articles(CookbookPass::Part::kRecipes, html, stores, options.observer);
    structured.listener = &articles;
    // The second reading decodes as the first did: a choice made there from the bytes read so
    // far could come out otherwise from the whole input.
    const EncodingChoice chosen = result.conversion.encoding;
    if (options.encoding == InputEncoding::kChoose) structured.encoding = chosen.encoding;
    result.conversion = convert_mxp(again, output, structured);
    result.conversion.encoding = chosen;
    result.cut_recipes = articles.cut_recipes();
    // The same bytes read again frame the same recipes; other bytes are a fault of `again`.
    if (result.conversion.error == 0 && result.conversion.records != recipes) {
      result.conversion.error = EIO;
      result.conversion.failed_file = FailedFile::kInput;
    }
    if (result.conversion.error == 0) write_cookbook_end(html);
  }
  const int flushed = html.flush();
  if (result.conversion.error == 0 && flushed != 0) {
    result.conversion.error = flushed;
    result.conversion.failed_file = FailedFile::kOutput;
  }
  result.conversion.bytes_written = html.bytes_written();
  return result;
}

}  // namespace mirtabel
