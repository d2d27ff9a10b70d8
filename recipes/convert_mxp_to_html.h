// The cookbook export: every recipe of an MXP text in one HTML file (recipes/recipe_html.h), the
// contents list first. The contents need every recipe's name before the first recipe is written,
// and holding the names would take memory that grows with the archive, so the input is read
// twice: once for the contents, once for the recipes. Either way the memory stays constant.
#ifndef MIRTABEL_RECIPES_CONVERT_MXP_TO_HTML_H
#define MIRTABEL_RECIPES_CONVERT_MXP_TO_HTML_H

#include <string_view>

#include "recipes/convert_mxp_to_json.h"

namespace mirtabel {

// Reads the MXP text from `input` for the contents, then from `again`, which gives the same
// bytes from the start, for the recipes, and writes the cookbook to `output`, titled `title`
// (UTF-8; empty: "Cookbook"). `options`, `stores` and the stack taken are as for
// convert_mxp_to_json, with 5 KB more; the result counts the recipes written and the bytes of
// the second reading. A failed read or write stops the conversion; what was written is then not
// a whole cookbook.
JsonExportResult convert_mxp_to_html(ByteSource& input, ByteSource& again, ByteSink& output,
                                     const ConversionOptions& options,
                                     const StructuredRecipeStores& stores,
                                     std::string_view title) noexcept;

}  // namespace mirtabel

#endif
