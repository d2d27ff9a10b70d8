#include "recipes/directions_reading.h"

#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

struct PartLabel {
  std::string_view label;
  RecipeField field;
};

constexpr PartLabel kPartLabels[] = {
    {"Description", RecipeField::kDescription},
    {"Source", RecipeField::kComment},
    {"Yield", RecipeField::kYield},
    {"Notes", RecipeField::kComment},
    {"Serving Ideas", RecipeField::kComment},
    {"Copyright", RecipeField::kComment},
    {"Start to Finish Time", RecipeField::kTotalTime},
};

constexpr std::string_view kNutrition = "Per Serving";

}  // namespace

// A blank line or a rule of hyphens ends a paragraph. A line further indented than the one
// before it starts a new paragraph too: wrapped directions often mark a paragraph only so.
void DirectionsReading::read(std::string_view text) noexcept {
  const std::string_view trimmed = recipe_text::trim(text);
  if (trimmed.empty() || recipe_text::is_hyphen_rule(trimmed)) return close();
  if (starts_part(trimmed)) return;
  const std::size_t indent = recipe_text::indent(text);
  if (open_ != StructuredRecipe::kNoItem && !(open_is_step_ && indent > indent_)) {
    recipe_.extend(open_, trimmed);
  } else {
    close();
    open_ = recipe_.add(RecipeField::kStep, {}, trimmed);
    open_is_step_ = true;
  }
  indent_ = indent;
}

// A part's value is often quoted on the line after its label; the quotes are not text.
void DirectionsReading::close() noexcept {
  if (!open_is_step_) recipe_.unquote(open_);
  open_ = StructuredRecipe::kNoItem;
  open_is_step_ = false;
}

// "Label:" or "Label :" with one of the known labels, the value on the same line or the next
// ones; or the nutrition line, which is kept whole.
bool DirectionsReading::starts_part(std::string_view trimmed) noexcept {
  if (recipe_text::starts_with_word(trimmed, kNutrition)) {
    close();
    open_ = recipe_.add(RecipeField::kNutrition, {}, trimmed);
    return true;
  }
  for (const PartLabel& part : kPartLabels) {
    if (!recipe_text::starts_with_word(trimmed, part.label)) continue;
    const std::string_view rest = recipe_text::trim(trimmed.substr(part.label.size()));
    if (rest.empty() || rest.front() != ':') continue;
    close();
    open_ = recipe_.add(part.field, trimmed.substr(0, part.label.size()),
                        recipe_text::trim(rest.substr(1)));
    return true;
  }
  return false;
}

}  // namespace mirtabel
