// The shape every zone of the structured reading shares. A zone (the header, the ingredient
// block, the directions, what follows the spaced rule) holds an ordered table of small rules;
// each line is put to them in order and the first that recognises it says what the line is (a
// Finding). Only the zone's `apply` changes the recipe, so a rule is one row and one function
// that reads and never writes.
#ifndef MIRTABEL_RECIPES_READING_RULE_H
#define MIRTABEL_RECIPES_READING_RULE_H

#include <cstddef>
#include <string_view>

#include "recipes/recipe_text.h"
#include "recipes/structured_recipe.h"

namespace mirtabel {

// One line as every rule sees it, worked out once.
struct ReadLine {
  std::string_view text;     // without its line feed
  std::string_view trimmed;  // without the white space around it
  std::size_t indent = 0;    // spaces and tabs before the text

  static ReadLine of(std::string_view text) noexcept {
    return {text, recipe_text::trim(text), recipe_text::indent(text)};
  }
  bool is_blank() const noexcept { return trimmed.empty(); }
  // The first character of the text, or 0 for a blank line: most rules look at it first.
  char first() const noexcept { return trimmed.empty() ? '\0' : trimmed.front(); }
};

// What the rules may know of the line before. Its text is gone by then (the framing reuses its
// buffer), so these facts about it are kept instead.
struct LineBefore {
  bool blank = true;
  std::size_t indent = 0;
  std::size_t width = 0;  // bytes up to its last character that is not white space
  char last = '\0';       // that character

  static LineBefore of(const ReadLine& line) noexcept {
    if (line.is_blank()) return {};
    return {false, line.indent,
            static_cast<std::size_t>(line.trimmed.data() - line.text.data()) + line.trimmed.size(),
            line.trimmed.back()};
  }
  bool is_blank() const noexcept { return blank; }
};

// What a rule found a line to be; the zone's apply carries it out.
enum class Action : unsigned char {
  kPass,             // layout, not text: a placeholder, a rule of hyphens
  kEndParagraph,     // a blank line or a rule: the next line starts a new item
  kEndSteps,         // the spaced rule "- - - -": nothing after it is a step
  kContinue,         // `value` joins the open item
  kOpen,             // a new item of `field` that the next lines may continue
  kNumberedStep,     // a step that starts with its number
  kSection,          // a heading of the steps after it
  kSectionThenStep,  // a heading (`label`) run in before a numbered step (`value`)
  kStep,             // a new step
  kHeading,          // a heading of the ingredients after it
  kIngredient,       // a new ingredient
  kEndBlock,         // the end of the ingredient block, unless a heading follows
  kDirections,       // the zone ends: the line is read as directions
  kEndHeader,        // the header ends at this line
  kField,            // an item of `field` with `label` and `value`
  kCategories,       // `value` lists categories
  kTwoFields,        // `value` holds two labelled fields side by side
  kCredit,           // `value` names who or what the recipe comes from
  kTitle,            // `value` is the recipe's name
  kEntries,          // the row holds one or two ingredient entries
};

struct Finding {
  Action action = Action::kPass;
  RecipeField field = RecipeField::kStep;
  std::string_view label;
  std::string_view value;
};

// A row of a zone's table: the rule's name (what the coverage report and the rule cases call it),
// its recogniser: the line, the line before it and the zone's state in, a Finding out; and the
// size of the shortest trimmed line it can recognise, below which it is not tried.
template <typename State>
struct ReadingRule {
  std::string_view name;
  bool (*recognise)(const ReadLine& line, const LineBefore& before, const State& state,
                    Finding& out) noexcept;
  std::size_t shortest = 0;
};

// Counts how often each rule fires, for the coverage report over real archives; the reading
// needs none.
class RuleCounts {
 public:
  virtual void add(std::string_view rule) noexcept = 0;

 protected:
  ~RuleCounts() = default;
};

// The first rule of `table` that recognises the line, or nullptr.
template <typename State, std::size_t N>
const ReadingRule<State>* first_match(const ReadingRule<State> (&table)[N], const ReadLine& line,
                                      const LineBefore& before, const State& state,
                                      Finding& out) noexcept {
  for (const ReadingRule<State>& rule : table) {
    if (line.trimmed.size() < rule.shortest) continue;
    out = {};
    if (rule.recognise(line, before, state, out)) return &rule;
  }
  return nullptr;
}

}  // namespace mirtabel

#endif
