// The directions of a recipe and the parts that often follow them. Each line is put to the
// ordered table kRules; the first rule that recognises it says where it goes: a step, a heading
// of steps, or a part of its own (a comment, the yield, a time, the analysis). What follows a
// spaced rule "- - - -" is never a step.
#ifndef MIRTABEL_RECIPES_DIRECTIONS_READING_H
#define MIRTABEL_RECIPES_DIRECTIONS_READING_H

#include <cstddef>
#include <string_view>

#include "recipes/reading_rule.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

class DirectionsReading {
 public:
  // How the lines of a paragraph are laid out.
  enum class Wrapping {
    kLines,       // each line is a paragraph unless it visibly wraps (the column layout)
    kParagraphs,  // lines are wrapped, blank lines end paragraphs (the labelled layout)
  };

  // What the rules see of the reading so far.
  struct State {
    Wrapping wrapping = Wrapping::kLines;
    bool open = false;  // a step or part is open: the next line may continue it
    bool open_is_step = false;
    std::string_view open_value;   // its text so far
    std::size_t indent_above = 0;  // of the last line that was not blank or a rule
    std::size_t open_indent = 0;   // of the line that opened the open step or part
    unsigned step_number = 0;      // of the open step when it was numbered
    bool after_rule = false;       // past the spaced rule
    std::size_t wrap_width = 0;    // where the file's directions wrap
  };
  using Rule = ReadingRule<State>;
  static const Rule kRules[17];

  // A part that starts with its label: "Yield: 2 loaves", "T(Baking Time): "0:40"".
  struct Part {
    RecipeField field;
    std::string_view label;
    std::string_view value;
  };
  // Whether the trimmed line starts a part with a known label, or a label that names a time.
  static bool starts_labelled_part(std::string_view trimmed, Part& out) noexcept;

  explicit DirectionsReading(StructuredRecipe& recipe) noexcept : recipe_(recipe) {}

  void start(Wrapping wrapping) noexcept;
  // Reads one line of directions or of the parts after them.
  void read(std::string_view text) noexcept;

  // Ends the open step or part: the next line starts a new one. Called at a blank line, at any
  // line that is not directions, and at the recipe's end.
  void close() noexcept;

  // Ends the directions at the recipe's end.
  void finish() noexcept;

  void count_rules(RuleCounts* counts) noexcept { counts_ = counts; }

  // Where the directions of the file read so far wrap: the widest width at which enough of their
  // lines stop mid-sentence, with more text under them. An export wraps every paragraph at one
  // width, so such lines end within a word of it and few pass it (a word too long to wrap, a
  // line typed as is). Until a width is seen often enough to tell, the usual one.
  std::size_t wrap_width() const noexcept;

 private:
  void apply(const Finding& found) noexcept;
  void open(RecipeField field, std::string_view label, std::string_view value) noexcept;
  void add_step_text(std::string_view trimmed, bool continued) noexcept;
  void take_closing_yield(std::size_t last_step) noexcept;

  StructuredRecipe& recipe_;
  State state_;
  std::size_t open_ = StructuredRecipe::kNoItem;  // the step or part the next line may continue
  std::size_t last_step_ = StructuredRecipe::kNoItem;
  std::size_t indent_ = 0;
  LineBefore before_;
  RuleCounts* counts_ = nullptr;
  // How many of the file's wrapped lines of directions end at each width, for wrap_width; kept from
  // one recipe to the next.
  static constexpr std::size_t kWidths = 160;
  unsigned short widths_[kWidths] = {};
  std::size_t widest_ = 0;  // the widest width counted, above which wrap_width need not look
  unsigned lines_counted_ = 0;
};

}  // namespace mirtabel

#endif
