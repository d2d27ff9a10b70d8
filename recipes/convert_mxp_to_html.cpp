#include "recipes/convert_mxp_to_html.h"

#include <cerrno>

#include "convert/recipe_listener.h"
#include "recipes/html_writer.h"
#include "recipes/json_writer.h"
#include "recipes/recipe_html.h"
#include "recipes/structured_reading.h"

namespace mirtabel {
namespace {

// Reads each recipe the framing loop hands over and, once it has ended, writes its entry in the
// contents (the first reading) or its article (the second).
class CookbookPass final : public RecipeListener {
 public:
  enum class Part { kContents, kRecipes };

  CookbookPass(Part part, HtmlWriter& html, const StructuredRecipeStores& stores) noexcept
      : part_(part), reading_(stores), html_(html), json_(html.script_data()) {}

  void recipe_started(LayoutKind layout, const TextLine& title_line,
                      std::size_t title_start) noexcept override {
    reading_.start(layout, title_line, title_start);
  }
  void recipe_line(const TextLine& line) noexcept override { reading_.read(line); }
  int recipe_ended() noexcept override {
    reading_.finish();
    ++recipes_;
    if (part_ == Part::kContents) {
      write_contents_entry(html_, reading_.recipe(), recipes_);
    } else {
      write_recipe_html(html_, json_, reading_.recipe(), recipes_);
      if (reading_.recipe().is_cut() && html_.error() == 0) ++cut_recipes_;
    }
    return html_.error();
  }

  std::uint64_t recipes() const noexcept { return recipes_; }
  std::int32_t cut_recipes() const noexcept { return cut_recipes_; }

 private:
  Part part_;
  StructuredReading reading_;
  HtmlWriter& html_;
  JsonWriter json_;
  std::uint64_t recipes_ = 0;
  std::int32_t cut_recipes_ = 0;
};

}  // namespace

JsonExportResult convert_mxp_to_html(ByteSource& input, ByteSource& again, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores,
                                     std::string_view title) noexcept {
  HtmlWriter html(output);
  ConversionOptions structured = options;
  structured.observer = nullptr;
  JsonExportResult result;
  write_cookbook_start(html, title);
  std::uint64_t recipes = 0;
  {
    CookbookPass contents(CookbookPass::Part::kContents, html, stores);
    structured.listener = &contents;
    result.conversion = convert_mxp(input, output, structured);
    recipes = contents.recipes();
  }
  if (result.conversion.error == 0) {
    write_contents_end(html, recipes);
    CookbookPass articles(CookbookPass::Part::kRecipes, html, stores);
    structured.listener = &articles;
    // The second reading decodes as the first did: a choice made there from the bytes read so
    // far could come out otherwise from the whole input.
    const EncodingChoice chosen = result.conversion.encoding;
    if (options.encoding == InputEncoding::kChoose) structured.encoding = chosen.encoding;
    result.conversion = convert_mxp(again, output, structured);
    result.conversion.encoding = chosen;
    result.cut_recipes = articles.cut_recipes();
    // The same bytes read again frame the same recipes; other bytes are a fault of `again`.
    if (result.conversion.error == 0 && articles.recipes() != recipes) {
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
