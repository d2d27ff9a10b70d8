#include "recipes/directions_reading.h"

#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

using recipe_text::next_word;
using recipe_text::starts_with_word;
using recipe_text::trim;

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

bool is_lower(char c) noexcept {
  return c >= 'a' && c <= 'z';
}

bool is_letter(char c) noexcept {
  return is_lower(c) || (c >= 'A' && c <= 'Z');
}

bool is_label(std::string_view label, std::string_view name) noexcept {
  return label.size() == name.size() && starts_with_word(label, name);
}

bool ends_with_word(std::string_view text, std::string_view word) noexcept {
  return text.size() >= word.size() &&
         starts_with_word(text.substr(text.size() - word.size()), word);
}

struct PartLabel {
  std::string_view label;
  RecipeField field;
};

constexpr PartLabel kPartLabels[] = {
    {"Description", RecipeField::kDescription},
    {"Source", RecipeField::kComment},
    {"Yield", RecipeField::kYield},
    {"Yields", RecipeField::kYield},
    {"Notes", RecipeField::kComment},
    {"Note", RecipeField::kComment},
    {"Hints", RecipeField::kComment},
    {"Hint", RecipeField::kComment},
    {"Tips", RecipeField::kComment},
    {"Tip", RecipeField::kComment},
    {"Serving Ideas", RecipeField::kComment},
    {"Serving Suggestion", RecipeField::kComment},
    {"Serving Suggestions", RecipeField::kComment},
    {"Variation", RecipeField::kComment},
    {"Variations", RecipeField::kComment},
    {"Cook's Note", RecipeField::kComment},
    {"Cook's Notes", RecipeField::kComment},
    {"Copyright", RecipeField::kComment},
    {"Nutr. Assoc.", RecipeField::kComment},
    {"Makes", RecipeField::kYield},
    {"Serves", RecipeField::kYield},
    {"Servings", RecipeField::kYield},
    {"Prep", RecipeField::kPrepTime},
    {"Cook", RecipeField::kCookTime},
    {"Bake", RecipeField::kCookTime},
    {"Ready In", RecipeField::kTotalTime},
};

// The labels that head a paragraph of notes even without a colon.
constexpr std::string_view kNoteHeadings[] = {"Notes", "Note", "Hints", "Tips"};

// What a line of credit starts with: where the recipe was posted, typed or taken from.
constexpr std::string_view kCreditStarts[] = {
    "Posted to",      "Posted by",    "Posted in",       ">From",      "From:",
    "From ",          "Recipe by",    "Recipe from",     "Typed by",   "Typed for you by",
    "Typed in by",    "Formatted by", "Formatted for",   "Shared by",  "Courtesy of",
    "Contributed by", "Submitted by", "Downloaded from", "Reprinted",  "Converted by",
    "Entered by",     "Edited by",    "Adapted from",    "Adapted by", "Originally from",
    "Busted by",      "Copyright",    "Date:",           "Subject:",   "(c)",
    "\xC2\xA9",
};

constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
constexpr std::string_view kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                          "Friday", "Saturday", "Sunday"};

bool starts_with_words(std::string_view label, std::string_view words) noexcept {
  return label.size() > words.size() && starts_with_word(label, words) &&
         label[words.size()] == ' ';
}

// The field of a time by the first word of its label ("Baking Time": cooking), or kComment.
RecipeField time_field(std::string_view label) noexcept {
  for (std::string_view prep : {"Prep", "Preparation"}) {
    if (starts_with_words(label, prep)) return RecipeField::kPrepTime;
  }
  for (std::string_view cook : {"Cook", "Cooking", "Bake", "Baking", "Roasting", "Grilling",
                                "Frying", "Simmering", "Oven"}) {
    if (starts_with_words(label, cook)) return RecipeField::kCookTime;
  }
  for (std::string_view total : {"Total", "Start to Finish", "Ready"}) {
    if (starts_with_words(label, total)) return RecipeField::kTotalTime;
  }
  return RecipeField::kComment;
}

std::size_t word_count(std::string_view text) noexcept {
  std::size_t words = 0;
  bool in_word = false;
  for (char c : text) {
    if (!recipe_text::is_space(c) && !in_word) ++words;
    in_word = !recipe_text::is_space(c);
  }
  return words;
}

// A month or weekday, in full or in its first three letters, with or without a period or comma.
bool is_name_in(std::string_view word, const std::string_view* names, std::size_t count) noexcept {
  while (!word.empty() && (word.back() == '.' || word.back() == ','))
    word.remove_suffix(1);
  for (std::size_t i = 0; i < count; ++i) {
    if (is_label(word, names[i]) || (word.size() == 3 && starts_with_word(names[i], word)))
      return true;
  }
  return false;
}

bool is_number(std::string_view word, std::size_t max_digits) noexcept {
  while (!word.empty() && (word.back() == '.' || word.back() == ','))
    word.remove_suffix(1);
  if (word.empty() || word.size() > max_digits) return false;
  for (char c : word) {
    if (!is_digit(c)) return false;
  }
  return true;
}

// The number of a numbered step ("3. Bake", "3) Bake") and the text after it; 0 when none.
unsigned step_number(std::string_view trimmed, std::string_view& rest) noexcept {
  std::size_t digits = 0;
  unsigned number = 0;
  while (digits < trimmed.size() && digits < 2 && is_digit(trimmed[digits]))
    number = number * 10 + static_cast<unsigned>(trimmed[digits++] - '0');
  if (digits == 0 || digits + 1 >= trimmed.size()) return 0;
  if (trimmed[digits] != '.' && trimmed[digits] != ')') return 0;
  if (!recipe_text::is_space(trimmed[digits + 1])) return 0;
  rest = trim(trimmed.substr(digits + 1));
  return number;
}

// Where step `number` starts within a line: "... 10 minutes. 2. Let rise ..."; npos when not.
std::size_t inline_step(std::string_view text, unsigned number) noexcept {
  if (number == 0 || number > 99) return std::string_view::npos;
  char mark[3] = {};
  const std::size_t size = number < 10 ? 1 : 2;
  mark[0] = static_cast<char>(number < 10 ? '0' + number : '0' + number / 10);
  if (size == 2) mark[1] = static_cast<char>('0' + number % 10);
  for (std::size_t at = text.find(std::string_view(mark, size)); at != std::string_view::npos;
       at = text.find(std::string_view(mark, size), at + 1)) {
    // After the end of a sentence and a space, and followed by ". " or ") ".
    if (at < 2 || text[at - 1] != ' ' ||
        !(text[at - 2] == '.' || text[at - 2] == '!' || text[at - 2] == '?'))
      continue;
    std::string_view rest;
    if (step_number(text.substr(at), rest) == number) return at;
  }
  return std::string_view::npos;
}

// --- The tests of a line. Each takes the line trimmed. -------------------------------------

// An analysis per serving: "Per Serving (excluding unknown items): 215 Calories; ...".
bool is_nutrition_line(std::string_view line) noexcept {
  for (std::string_view start :
       {"Per serving", "Per serve", "Nutrition", "Nutritional analysis", "Each serving",
        "Analysis per serving", "Calories per", "Calories:"}) {
    if (starts_with_word(line, start)) return true;
  }
  return false;
}

// A paragraph of notes headed by its label alone: "NOTES", "Hints:".
bool is_note_heading(std::string_view line) noexcept {
  if (!line.empty() && line.back() == ':') line = trim(line.substr(0, line.size() - 1));
  for (std::string_view heading : kNoteHeadings) {
    if (is_label(line, heading)) return true;
  }
  return false;
}

// An e-mail or web address standing alone: "jdoe@example.com", "www.example.net/beans".
bool is_address(std::string_view line) noexcept {
  if (line.find(' ') != std::string_view::npos) return false;
  const std::size_t at = line.find('@');
  if (at != std::string_view::npos && at > 0 && line.find('.', at) != std::string_view::npos)
    return true;
  return starts_with_word(line, "http://") || starts_with_word(line, "https://") ||
         starts_with_word(line, "www.");
}

// A line of credit: "Posted to ...", ">From: ...", "From the kitchen of ...", "Date: ...", or an
// address alone.
bool is_credit_line(std::string_view line) noexcept {
  for (std::string_view start : kCreditStarts) {
    if (starts_with_word(line, start)) return true;
  }
  return is_address(line);
}

// A date alone: "Jan 12, 1998", "Tuesday, March 4, 1997", "3 Mar 1997", "12/01/98".
bool is_date_line(std::string_view line) noexcept {
  if (!line.empty() && line.back() == '.') line.remove_suffix(1);
  std::size_t separators = 0;
  bool numeric = !line.empty();
  for (char c : line) {
    if (c == '/' || c == '-') {
      ++separators;
    } else if (!is_digit(c)) {
      numeric = false;
    }
  }
  if (numeric) return separators == 2 && line.size() <= 10;
  std::string_view rest = line;
  std::string_view word = next_word(rest);
  if (is_name_in(word, kWeekdays, 7)) word = next_word(rest);
  if (is_number(word, 2)) {  // the day first
    if (!is_name_in(next_word(rest), kMonths, 12)) return false;
  } else if (!is_name_in(word, kMonths, 12) || !is_number(next_word(rest), 2)) {
    return false;
  }
  return is_number(next_word(rest), 4) && rest.empty();
}

// A yield stated in the text: "Makes about 3 cups.", "Serves 4 to 6.", "Yield 2 loaves". Gives
// the first word as the label and the rest, without its closing period, as the value. After
// "Yield" the rest must start with a count: "Yields vary ..." is a sentence.
bool is_yield_line(std::string_view line, std::string_view& label,
                   std::string_view& value) noexcept {
  for (std::string_view start : {"Makes", "Serves", "Yield", "Yields"}) {
    if (line.size() <= start.size() + 1 || !starts_with_word(line, start) ||
        line[start.size()] != ' ')
      continue;
    value = trim(line.substr(start.size()));
    const bool counted = is_digit(value[0]) || starts_with_word(value, "about ") ||
                         starts_with_word(value, "approx") || start[0] != 'Y';
    if (!counted) return false;
    label = line.substr(0, start.size());
    if (value.back() == '.') value.remove_suffix(1);
    return true;
  }
  return false;
}

// A starred footnote: "* Available in Asian markets.", "**Or use lime juice." (a heading
// decorated with stars ends in them too).
bool is_footnote(std::string_view line) noexcept {
  std::size_t stars = 0;
  while (stars < line.size() && stars < 3 && line[stars] == '*')
    ++stars;
  return stars > 0 && line.size() > stars + 1 && line.back() != '*' &&
         (line[stars] == ' ' || is_letter(line[stars]));
}

// A heading of the steps after it: a few words and a colon, "Basting Sauce:".
bool is_section_heading(std::string_view line) noexcept {
  if (line.size() < 2 || line.size() > 40 || line.back() != ':' || !is_letter(line[0]))
    return false;
  const std::string_view words = line.substr(0, line.size() - 1);
  return words.find_first_of(".:;!?") == std::string_view::npos && word_count(words) <= 4;
}

// Whether `value` ends a sentence, so that a line after it does not continue it.
bool ends_sentence(std::string_view value) noexcept {
  if (value.empty()) return true;
  const char last = value.back();
  return last == '.' || last == '!' || last == '?' || last == ':';
}

}  // namespace

bool DirectionsReading::starts_labelled_part(std::string_view trimmed, Part& out) noexcept {
  const std::size_t colon = trimmed.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view label = trim(trimmed.substr(0, colon));
  out.value = trim(trimmed.substr(colon + 1));
  // "T(Baking Time)": the time's name in brackets.
  if (label.size() > 3 && label.substr(0, 2) == "T(" && label.back() == ')')
    label = trim(label.substr(2, label.size() - 3));
  out.label = label;
  for (const PartLabel& part : kPartLabels) {
    if (is_label(label, part.label)) {
      out.field = part.field;
      return true;
    }
  }
  if (label.size() > recipe_text::kMaxLabelSize || word_count(label) > 4 ||
      !ends_with_word(label, " Time"))
    return false;
  out.field = time_field(label);
  return true;
}

void DirectionsReading::start(Wrapping wrapping) noexcept {
  wrapping_ = wrapping;
  open_ = StructuredRecipe::kNoItem;
  open_is_step_ = false;
  step_number_ = 0;
  after_rule_ = false;
}

// The tests in the order they are tried:
//   a blank line or a rule ends the paragraph (a spaced rule "- - - -" also ends the steps);
//   the value of a part whose label stood alone on the line above joins it;
//   a line that starts a part starts it: an analysis, a known label, a heading of notes, a
//     credit, a numbered step;
//   a line that continues the open step or part joins it (in a wrapped paragraph, or where the
//     line above visibly wraps);
//   a line that stands alone goes where it belongs: a date, a stated yield, a footnote, and
//     after the spaced rule any paragraph, to comments; a heading, to a section;
//   any other line starts a step.
void DirectionsReading::read(std::string_view text) noexcept {
  const std::string_view trimmed = trim(text);
  if (trimmed.empty() || recipe_text::is_hyphen_rule(trimmed)) {
    if (trimmed.find("- -") != std::string_view::npos) after_rule_ = true;
    return close();
  }
  const std::size_t indent_above = indent_;
  indent_ = recipe_text::indent(text);
  if (open_ != StructuredRecipe::kNoItem && !open_is_step_ && recipe_.value(open_).empty())
    return recipe_.extend_words(open_, trimmed);
  if (starts_part(trimmed)) return;
  if (continues_open(trimmed, indent_above)) {
    if (open_is_step_) return add_step_text(trimmed, true);
    return recipe_.extend_words(open_, trimmed);
  }
  if (stands_alone(trimmed)) return;
  close();
  if (after_rule_) return open(RecipeField::kComment, {}, trimmed);
  add_step_text(trimmed, false);
}

// A part's value is often quoted on the line after its label; the quotes are not text.
void DirectionsReading::close() noexcept {
  if (!open_is_step_) recipe_.unquote(open_);
  open_ = StructuredRecipe::kNoItem;
  open_is_step_ = false;
}

void DirectionsReading::open(RecipeField field, std::string_view label,
                             std::string_view value) noexcept {
  close();
  open_ = recipe_.add_words(field, label, value);
}

bool DirectionsReading::starts_part(std::string_view trimmed) noexcept {
  Part part;
  std::string_view rest;
  if (is_nutrition_line(trimmed)) {
    open(RecipeField::kNutrition, {}, trimmed);
  } else if (starts_labelled_part(trimmed, part)) {
    open(part.field, part.label, part.value);
  } else if (is_note_heading(trimmed)) {
    open(RecipeField::kComment, trim(trimmed.substr(0, trimmed.find(':'))), {});
  } else if (is_credit_line(trimmed)) {
    open(RecipeField::kComment, {}, trimmed);
  } else if (!after_rule_ && step_number(trimmed, rest) > 0) {
    close();
    step_number_ = 0;
    add_step_text(trimmed, false);
  } else {
    return false;
  }
  return true;
}

// In a wrapped paragraph every line continues it, but a step line further indented than the one
// above starts a new step: wrapped directions often mark a paragraph only so (a numbered step's
// hanging indent excepted). Where lines are paragraphs, a line continues the one above only when
// that one stops mid-sentence and this one goes on in lower case or with a number, or when it is
// indented under a part ("NOTES : Serve cold." then "        Keeps a week.").
bool DirectionsReading::continues_open(std::string_view trimmed,
                                       std::size_t indent_above) const noexcept {
  if (open_ == StructuredRecipe::kNoItem) return false;
  if (wrapping_ == Wrapping::kParagraphs)
    return !(open_is_step_ && step_number_ == 0 && indent_ > indent_above);
  if (!open_is_step_ && indent_ >= 2) return true;
  return !ends_sentence(recipe_.value(open_)) && (is_lower(trimmed[0]) || is_digit(trimmed[0]));
}

bool DirectionsReading::stands_alone(std::string_view trimmed) noexcept {
  std::string_view label, value;
  if (is_date_line(trimmed) || is_footnote(trimmed)) {
    open(RecipeField::kComment, {}, trimmed);
  } else if (is_yield_line(trimmed, label, value)) {
    open(RecipeField::kYield, label, value);
  } else if (!after_rule_ && is_section_heading(trimmed)) {
    close();
    recipe_.add_words(RecipeField::kSection, {}, trimmed.substr(0, trimmed.size() - 1));
    step_number_ = 0;
  } else {
    return false;
  }
  return true;
}

// Text of a step: a numbered line starts a step without its number, and a line holding the
// next number starts that step there.
void DirectionsReading::add_step_text(std::string_view trimmed, bool continued) noexcept {
  std::string_view rest;
  if (const unsigned number = continued ? 0 : step_number(trimmed, rest); number > 0) {
    trimmed = rest;
    step_number_ = number;
  } else if (!continued) {
    step_number_ = 0;
  }
  while (!trimmed.empty()) {
    const std::size_t next =
        step_number_ > 0 ? inline_step(trimmed, step_number_ + 1) : std::string_view::npos;
    const std::string_view piece = trim(trimmed.substr(0, next));
    if (continued) {
      recipe_.extend_words(open_, piece);
    } else {
      close();
      open_ = recipe_.add_words(RecipeField::kStep, {}, piece);
      open_is_step_ = true;
    }
    if (next == std::string_view::npos) break;
    ++step_number_;
    step_number(trimmed.substr(next), trimmed);
    continued = false;
  }
}

}  // namespace mirtabel
