// The header of a recipe: the lines after its title up to the line that ends the header in its
// layout (a rule of hyphens, whose runs give the ingredient columns, or a blank line). Each line
// is put to the ordered table kRules; the first rule that recognises it says what it is: a
// labelled field (the categories, the serving count, a credit, a time, a part), the title, or
// text without a label, kept as a step.
#ifndef MIRTABEL_RECIPES_HEADER_READING_H
#define MIRTABEL_RECIPES_HEADER_READING_H

#include <string_view>

#include "recipes/reading_layout.h"
#include "recipes/reading_rule.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class HeaderReading {
 public:
  // What the rules see of the reading so far.
  struct State {
    const ReadingLayout* layout = &kColumnReadingLayout;
    bool after_categories = false;  // the line above listed categories
    bool title_missing = false;     // the title line was blank: the recipe has no name yet
    bool value_pending = false;     // the line above was a label with no value after it
  };
  using Rule = ReadingRule<State>;
  static const Rule kRules[14];

  explicit HeaderReading(StructuredRecipe& recipe) noexcept : recipe_(recipe) {}

  void start(const ReadingLayout& layout) noexcept;
  // Reads one line of the header; true when it ends the header.
  bool read(std::string_view text) noexcept;
  // The ingredient columns that the rule ending the header gave, or the layout's own.
  const IngredientColumns& columns() const noexcept { return columns_; }

  void count_rules(RuleCounts* counts) noexcept { counts_ = counts; }

 private:
  void apply(const Finding& found) noexcept;
  void add_field(std::string_view text) noexcept;
  void add_categories(std::string_view list) noexcept;
  void add_credit(std::string_view label, std::string_view value) noexcept;
  void read_rule(std::string_view text) noexcept;

  StructuredRecipe& recipe_;
  State state_;
  std::size_t pending_ = StructuredRecipe::kNoItem;  // the field whose value is on the next line
  IngredientColumns columns_;
  RuleCounts* counts_ = nullptr;
};

}  // namespace mirtabel

#endif
