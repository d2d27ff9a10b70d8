// A cookbook in one HTML file: a title, a contents list that links to each recipe, and each
// recipe as an <article> a person can read and print, with its schema.org Recipe object, the
// very one the JSON export writes, in a <script type="application/ld+json"> for programs. The
// file needs no script and reaches for nothing outside itself.
#ifndef MIRTABEL_RECIPES_RECIPE_HTML_H
#define MIRTABEL_RECIPES_RECIPE_HTML_H

#include <cstdint>
#include <string_view>

#include "recipes/html_writer.h"
#include "recipes/json_writer.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

// The parts in the order they are written: the start, the contents (an entry per recipe, then
// its end), the recipes, the end. `number` counts the recipes from 1, alike in both lists: the
// entry links to the article of the same number.
void write_cookbook_start(HtmlWriter& html, std::string_view title) noexcept;
void write_contents_entry(HtmlWriter& html, const StructuredRecipe& recipe,
                          std::uint64_t number) noexcept;
void write_contents_end(HtmlWriter& html, std::uint64_t recipes) noexcept;
// `json` writes into html.script_data().
void write_recipe_html(HtmlWriter& html, JsonWriter& json, const StructuredRecipe& recipe,
                       std::uint64_t number) noexcept;
void write_cookbook_end(HtmlWriter& html) noexcept;

}  // namespace mirtabel

#endif
