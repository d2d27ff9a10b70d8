// A StructuredRecipe as one schema.org Recipe object in JSON-LD, on one line.
#ifndef MIRTABEL_RECIPES_RECIPE_JSON_H
#define MIRTABEL_RECIPES_RECIPE_JSON_H

#include "recipes/json_writer.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

// Writes the object and a line feed. A field the recipe does not have, or has empty, is left
// out; "name" is always there. Of the fields that take one value (author, citation, source
// address, yield, times, description, nutrition) the first is written as the field and any other
// goes into "comment" under its label, as does a time that is not H:MM or words. A time of 0:00
// is left out. The steps after a section go into its HowToSection; the nutrients the analysis
// states become NutritionInformation properties beside it.
//
// recipeCategory is an array of texts for programs, which schema.org allows and which keeps a
// category whose name holds a comma whole; search engines ask for one text, the categories
// separated by commas, and the cookbook's JSON-LD gives them that.
enum class CategoryForm { kList, kText };
void write_recipe_json(JsonWriter& json, const StructuredRecipe& recipe,
                       CategoryForm categories = CategoryForm::kList) noexcept;

}  // namespace mirtabel

#endif
