// The ingredient block of a recipe: rows of amount, unit and ingredient in the layout's columns,
// up to the first blank line that no heading row follows. Each row is put to the ordered table
// kRules, and each of the one or two entries a row holds to kEntryRules; the first rule that
// recognises it says what it is: a heading, a continuation of the entry above, an ingredient,
// or layout that carries no text.
#ifndef MIRTABEL_RECIPES_INGREDIENT_READING_H
#define MIRTABEL_RECIPES_INGREDIENT_READING_H

#include <cstddef>
#include <string_view>

#include "recipes/reading_layout.h"
#include "recipes/reading_rule.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class IngredientReading {
 public:
  // An entry of a row cut at the block's columns.
  struct Entry {
    std::string_view amount, unit, text;
    bool fits = false;  // it stands in the columns: blank gaps, an amount or none
  };

  // What the rules see of the reading so far, and of the row.
  struct State {
    const ReadingLayout* layout = &kColumnReadingLayout;
    IngredientColumns columns;
    std::size_t indent = 0;     // columns the whole block stands to the right of the layout's
    bool block_empty = true;    // no row of the block has been read yet
    bool blank_before = false;  // a blank line came before its first row
    std::size_t second = 0;     // where the row's second entry starts, or 0
    Entry entry;                // the entry the entry rules look at
    std::size_t side = 0;       // its column: 0 left, 1 right
    std::string_view above[2];  // the last ingredient of each column, as far as it is read
    bool has_above[2] = {false, false};
    bool above_is_heading = false;  // the left one is a heading
    bool after_poster = false;      // the row above named who posted the recipe
  };
  using Rule = ReadingRule<State>;
  static const Rule kRules[8];
  static const Rule kEntryRules[3];

  explicit IngredientReading(StructuredRecipe& recipe) noexcept : recipe_(recipe) {}

  void start(const ReadingLayout& layout, const IngredientColumns& columns) noexcept;
  // Whether the layout's columns are known, so that a block can be read.
  bool has_columns() const noexcept { return state_.columns.text_begin > 0; }

  // What a row did to the block.
  enum class Outcome {
    kRead,        // the row was read into the block
    kEnded,       // a blank line: the block ends unless a heading row follows
    kDirections,  // the row is no part of any block: the directions start with it
  };
  Outcome read(std::string_view text) noexcept;
  // Whether a row after the blank line that ended the block carries the block on: a heading.
  bool heads_more(std::string_view text) const noexcept;

  void count_rules(RuleCounts* counts) noexcept { counts_ = counts; }

 private:
  void learn_indent(std::string_view text) noexcept;
  std::size_t second_column(std::string_view text) noexcept;
  void apply(const Finding& found, std::string_view row) noexcept;
  void read_entry(std::string_view entry, std::size_t side) noexcept;
  void set_above(std::size_t side, std::size_t item) noexcept;

  StructuredRecipe& recipe_;
  State state_;
  bool indent_known_ = false;
  std::size_t second_column_ = 0;  // of the block, once a row has shown it
  std::size_t last_[2] = {StructuredRecipe::kNoItem, StructuredRecipe::kNoItem};
  std::size_t poster_ = StructuredRecipe::kNoItem;  // the credit that heads the block
  RuleCounts* counts_ = nullptr;
};

}  // namespace mirtabel

#endif
