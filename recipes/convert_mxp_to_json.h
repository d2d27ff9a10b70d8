// The structured export: every recipe of an MXP text as one schema.org Recipe object in JSON-LD,
// one object per line (JSON Lines). The recipes are framed exactly as for the flat records, but
// none is left out for its length.
#ifndef MIRTABEL_RECIPES_CONVERT_MXP_TO_JSON_H
#define MIRTABEL_RECIPES_CONVERT_MXP_TO_JSON_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "convert/conversion_options.h"
#include "convert/convert_mxp.h"
#include "platform/byte_stream.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

// Stores that hold any real recipe whole: what mxpconvert and the browser module give each
// recipe.
inline constexpr std::size_t kRoomyRecipeTextSize = std::size_t{1} << 20;
inline constexpr std::size_t kRoomyRecipeItemCount = 16384;

// Those stores, taken from the heap for as long as the object lives (about 1.3 MiB). A caller
// that cannot have them sees allocated() false and converts nothing.
class RoomyRecipeStores {
 public:
  RoomyRecipeStores() noexcept
      : text_(new (std::nothrow) unsigned char[kRoomyRecipeTextSize]),
        items_(new (std::nothrow) RecipeItem[kRoomyRecipeItemCount]) {}

  bool allocated() const noexcept { return text_ != nullptr && items_ != nullptr; }
  StructuredRecipeStores stores() const noexcept {
    return {text_.get(), kRoomyRecipeTextSize, items_.get(), kRoomyRecipeItemCount};
  }

 private:
  std::unique_ptr<unsigned char[]> text_;
  std::unique_ptr<RecipeItem[]> items_;
};

struct JsonExportResult {
  // `records` counts the recipes written, one line each; `bytes_written` the JSON's bytes.
  ConversionResult conversion;
  // Of the recipes written, those that did not fit whole in the stores: each was written with
  // its fields and text up to where the stores filled, cut at a character boundary.
  std::int32_t cut_recipes = 0;
};

// Reads the MXP text from `input` and writes JSON Lines to `output`. `options` gives the
// encoding, and its observer, when given, hears of each recipe written cut (none is left out);
// its listener is not used. Each recipe is read into
// `stores`, which the caller provides (on the heap, say) and which bound the memory a recipe may
// take; they may be reused from one call to the next, and calls on other threads need their
// own. Besides them it uses the stack of convert_mxp and 5 KB more, no heap, and never throws.
JsonExportResult convert_mxp_to_json(ByteSource& input, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores) noexcept;

}  // namespace mirtabel

#endif
