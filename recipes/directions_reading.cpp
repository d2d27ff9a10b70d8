#include "recipes/directions_reading.h"

#include <algorithm>
#include <cstdint>

#include "recipes/recipe_text.h"

namespace mirtabel {

using namespace std::string_view_literals;  // a list of literals is a list of views, sized once
namespace {

using recipe_text::ends_with_word;
using recipe_text::is_digit;
using recipe_text::is_label;
using recipe_text::is_letter;
using recipe_text::is_lower;
using recipe_text::next_word;
using recipe_text::starts_with_word;
using recipe_text::trim;
using recipe_text::word_count;

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
    // Where a recipe of a restaurant or a contest comes from: its place, its chef, its menu.
    {"Establishment", RecipeField::kComment},
    {"Chef", RecipeField::kComment},
    {"Menu", RecipeField::kComment},
    {"Ratings", RecipeField::kComment},
    {"Cuisine", RecipeField::kComment},
};

// The labels that head a paragraph of notes even without a colon.
constexpr std::string_view kNoteHeadings[] = {"Notes", "Note", "Hints", "Tips"};

// What a line of credit starts with: where the recipe was posted, typed or taken from.
constexpr std::string_view kCreditStarts[] = {
    "Posted to",      "Posted by",    "Posted in",       ">From",        "From:",
    "From ",          "Recipe by",    "Recipe from",     "Typed by",     "Typed for you by",
    "Typed in by",    "Formatted by", "Formatted for",   "Shared by",    "Courtesy of",
    "Contributed by", "Submitted by", "Downloaded from", "Reprinted",    "Converted by",
    "Entered by",     "Edited by",    "Adapted from",    "Adapted by",   "Originally from",
    "Busted by",      "Copyright",    "Date:",           "Subject:",     "(c)",
    "Source unknown", "Compiled by",  "Recipe courtesy", "Clipped from", "\xC2\xA9",
};

// For each first byte, in either case, the starts of a table that begin with it (bit i for
// start i), so that a line is compared with those alone.
struct StartsByFirst {
  std::uint64_t of[256];
};

template <std::size_t N>
constexpr StartsByFirst starts_by_first(const std::string_view (&starts)[N]) noexcept {
  static_assert(N <= 64, "one bit a start");
  StartsByFirst table{};
  for (std::size_t i = 0; i < N; ++i)
    table.of[static_cast<unsigned char>(starts[i].front() | 0x20)] |= std::uint64_t{1} << i;
  return table;
}

constexpr StartsByFirst kCreditStartsByFirst = starts_by_first(kCreditStarts);

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
  for (std::string_view prep : {"Prep"sv, "Preparation"sv}) {
    if (starts_with_words(label, prep)) return RecipeField::kPrepTime;
  }
  for (std::string_view cook : {"Cook"sv, "Cooking"sv, "Bake"sv, "Baking"sv, "Roasting"sv,
                                "Grilling"sv, "Frying"sv, "Simmering"sv, "Oven"sv}) {
    if (starts_with_words(label, cook)) return RecipeField::kCookTime;
  }
  for (std::string_view total : {"Total"sv, "Start to Finish"sv, "Ready"sv}) {
    if (starts_with_words(label, total)) return RecipeField::kTotalTime;
  }
  return RecipeField::kComment;
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
  // "1. Boil", "1) Boil", and "1.Boil" where a typist left out the space.
  const char after = trimmed[digits + 1];
  if (!recipe_text::is_space(after) && !(trimmed[digits] == '.' && recipe_text::is_upper(after)))
    return 0;
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

// Where a credit starts within a line, after the end of a sentence: ". Source: ...",
// ". From the collection of ...", ". Posted by ..."; npos when none does.
std::size_t inline_credit(std::string_view text) noexcept {
  for (std::size_t at = text.find(". "); at != std::string_view::npos;
       at = text.find(". ", at + 1)) {
    const std::string_view rest = trim(text.substr(at + 1));
    // A credit set off by stars: "... to serve. ** From the Collection of ...".
    std::string_view words = rest;
    while (!words.empty() && words.front() == '*')
      words = trim(words.substr(1));
    // Each start below opens with one of these letters, in either case: most sentences are
    // turned away by their first.
    if (words.empty() || !recipe_text::is_one_of(static_cast<char>(words.front() | 0x20), "sfptr"))
      continue;
    for (std::string_view start :
         {"Source:"sv, "Source :"sv, "From the collection"sv, "Posted by"sv, "Typed by"sv,
          "Reformatted by"sv, "Formatted by"sv, "Recipe by"sv}) {
      if (starts_with_word(words, start)) return text.size() - rest.size();
    }
  }
  return std::string_view::npos;
}

// --- The tests of a line's text. Each takes the line trimmed. ------------------------------

// An analysis per serving: "Per Serving (excluding unknown items): 215 Calories; ...".
// Whether the text starts with `words`, in any case, however many spaces stand between them:
// "Calories     per serving: 224".
bool starts_with_words_spaced(std::string_view text, std::string_view words) noexcept {
  // Every word and at least one space between them: most lines are turned away here, by their
  // length or their first letter.
  if (text.size() < words.size() || !starts_with_word(text.substr(0, 1), words.substr(0, 1)))
    return false;
  while (!words.empty()) {
    const std::size_t space = words.find(' ');
    const std::string_view word = words.substr(0, space);
    if (!starts_with_word(text, word)) return false;
    text.remove_prefix(word.size());
    if (space == std::string_view::npos) return true;
    if (text.empty() || !recipe_text::is_space(text.front())) return false;
    text = trim(text);
    words.remove_prefix(space + 1);
  }
  return true;
}

// Whether `rest` starts with a count of calories ("334 cal", "110 Calories,", "334 Cal."),
// which it then no longer holds.
bool starts_calories(std::string_view& rest) noexcept {
  if (!is_number(next_word(rest), 5)) return false;
  std::string_view unit = next_word(rest);
  while (!unit.empty() && (unit.back() == '.' || unit.back() == ',' || unit.back() == ';'))
    unit.remove_suffix(1);
  return is_label(unit, "cal") || is_label(unit, "calories") || is_label(unit, "kcal");
}

// What a line of analysis starts with, in any case and spacing.
constexpr std::string_view kAnalysisStarts[] = {
    "Per serving",          "Per serve",          "Nutrition",
    "Nutritional analysis", "Each serving",       "Analysis per serving",
    "Calories per",         "Calories:",          "Exchanges",
    "Food exchanges",       "Diabetic exchanges", "Fat grams",
};

bool is_nutrition_line(std::string_view line) noexcept {
  // Each start below opens with one of these letters, in either case, or with a number.
  if (line.empty()) return false;
  const char first = static_cast<char>(line.front() | 0x20);
  if (!is_digit(line.front()) && !recipe_text::is_one_of(first, "pneacfd")) return false;
  for (std::string_view start : kAnalysisStarts) {
    if ((start.front() | 0x20) == first && starts_with_words_spaced(line, start)) return true;
  }
  // "334 cal per 3/4 c sauce ...", "39 calories per piece: 2 g protein ...".
  std::string_view rest = line;
  if (is_digit(line.front()) && starts_calories(rest)) return is_label(next_word(rest), "per");
  // "Per cookie: 110 calories, 5 g fat", "Each slice (1/12 of the cake): 250 cal".
  if (!(starts_with_word(line, "Per ") || starts_with_word(line, "Each "))) return false;
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  rest = line.substr(colon + 1);
  return starts_calories(rest);
}

// Whether `value` ends a sentence, so that a line after it does not continue it.
bool ends_sentence(std::string_view value) noexcept {
  if (value.empty()) return true;
  const char last = value.back();
  return last == '.' || last == '!' || last == '?' || last == ':';
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
  // Shorter than the shortest, "a@.", most lines of a word or two are no address.
  if (line.size() < 3 || line.find(' ') != std::string_view::npos) return false;
  const std::size_t at = line.find('@');
  if (at != std::string_view::npos && at > 0 && line.find('.', at) != std::string_view::npos)
    return true;
  return starts_with_word(line, "http://") || starts_with_word(line, "https://") ||
         starts_with_word(line, "www.");
}

// Whether the text holds more than `most` words. Eight bytes at a time: a word starts at each
// byte that is no blank after one that is, and the starts of eight are summed in one multiply.
bool has_more_words(std::string_view text, std::size_t most) noexcept {
  using recipe_text::bytes_equal;
  using recipe_text::kEachByte;
  using recipe_text::kHighBits;
  using recipe_text::load8;
  const auto blanks = [](std::uint64_t word) {
    return bytes_equal(word, ' ') | bytes_equal(word, '\t');
  };
  std::size_t words = !text.empty() && !recipe_text::is_space(text[0]) ? 1 : 0;
  std::size_t at = 1;
  for (; at + 8 <= text.size() && words <= most; at += 8) {
    const std::uint64_t starts =
        ~blanks(load8(text.data() + at)) & blanks(load8(text.data() + at - 1)) & kHighBits;
    words += static_cast<std::size_t>(((starts >> 7) * kEachByte) >> 56);
  }
  for (; at < text.size() && words <= most; ++at) {
    if (!recipe_text::is_space(text[at]) && recipe_text::is_space(text[at - 1])) ++words;
  }
  return words > most;
}

// An address in a short line of names, dates and addresses that no sentence is: "Ann & Bo Lee
// ann@example.com 10/2/95", "File ftp://ftp.example.org/recipes.zip".
bool is_address_line(std::string_view line) noexcept {
  // Most lines are sentences, turned away by their words before any search for an address.
  if (has_more_words(line, 6)) return false;
  if (!recipe_text::has_email_address(line) && !recipe_text::has_web_address(line)) return false;
  std::string_view rest = line;
  while (!rest.empty()) {
    const std::string_view word = next_word(rest);
    if (is_lower(word.front()) && recipe_text::find_any(word, "@/") == std::string_view::npos &&
        !starts_with_word(word, "www."))
      return false;
  }
  return !ends_sentence(line);
}

// A line of credit: "Posted to ...", ">From: ...", "From the kitchen of ...", "Date: ...", or an
// address alone.
// A book or magazine on a line of its own, its title in quotes and then what a citation holds:
// ""Vegetarian Gourmet" Spring 1995", ""The Good Plan" by Ann Lee Typed by Bo Day".
bool is_publication_line(std::string_view line) noexcept {
  const std::size_t close = line.size() > 2 && line.front() == '"' ? line.find('"', 1) : 0;
  if (close == 0 || close == std::string_view::npos) return false;
  std::string_view rest = line.substr(close + 1);
  std::size_t words = 0;
  while (!rest.empty()) {
    const std::string_view word = next_word(rest);
    ++words;
    if (!(recipe_text::is_upper(word.front()) || is_digit(word.front()) || word == "by" ||
          word == "of" || word == "the" || word == "and"))
      return false;
  }
  return words <= 10;
}

bool is_credit_line(std::string_view line) noexcept {
  // An attribution under a quotation: "--From Eating Well, May 1993."
  while (!line.empty() && line.front() == '-')
    line.remove_prefix(1);
  // "from Gail" alone: a name after a small "from" ends many a recipe.
  std::string_view rest = trim(line);
  if (starts_with_word(rest, "from") && is_label(next_word(rest), "from") &&
      word_count(rest) <= 3 && recipe_text::is_person_name(rest))
    return true;
  if (line.empty() || is_lower(line.front())) return is_address(line);
  // A start that matches has the line's first character, in either case.
  std::uint64_t starts = kCreditStartsByFirst.of[static_cast<unsigned char>(line.front() | 0x20)];
  for (std::size_t i = 0; starts != 0; ++i, starts >>= 1) {
    if ((starts & 1) != 0 && starts_with_word(line, kCreditStarts[i])) return true;
  }
  return is_address(line) || is_publication_line(line) ||
         line.find("From the collection of") != std::string_view::npos;
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
  for (std::string_view start : {"Makes"sv, "Serves"sv, "Yield"sv, "Yields"sv}) {
    if (line.size() <= start.size() + 1 || !starts_with_word(line, start) ||
        (line[start.size()] != ' ' && line[start.size()] != ':'))
      continue;
    value = trim(line.substr(start.size() + 1));
    if (value.empty()) return false;
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
  while (stars < line.size() && line[stars] == '*')
    ++stars;
  return stars > 0 && line.size() > stars + 1 && line.back() != '*' &&
         (line[stars] == ' ' || line[stars] == '"' || is_letter(line[stars]));
}

// A heading of the steps after it: a few words and a colon, "Basting Sauce:".
bool is_section_heading(std::string_view line) noexcept {
  if (line.size() < 2 || line.size() > 40 || line.back() != ':' || !is_letter(line[0]))
    return false;
  const std::string_view words = line.substr(0, line.size() - 1);
  return recipe_text::find_any(words, ".:;!?") == std::string_view::npos && word_count(words) <= 4;
}

// Whether the line before was wrapped where the export wraps the directions: the first word of
// this line would not have fitted after it ("... and cook 3 minutes." / "Cover and cook ...").
// The width is the file's own (see DirectionsReading::wrap_width), learned from the lines seen
// so far: it may fall a column or two short, so a line that far past it still counts as full.
bool fills_the_width(const LineBefore& before, const ReadLine& line, std::size_t width) noexcept {
  const std::size_t word =
      std::min(recipe_text::find_any(line.trimmed, " \t"), line.trimmed.size());
  return !before.is_blank() && before.width <= width + 2 && before.width + 1 + word > width;
}

// Whether a step's text stops on a word that leads into more, as no sentence ends: "Sprinkle
// with 1" / "Tablespoon sugar.", "... and the" / "Onions".
bool stops_mid_phrase(std::string_view value) noexcept {
  const std::size_t space = recipe_text::find_last_any(value, " \t");
  const std::string_view word = space == std::string_view::npos ? value : value.substr(space + 1);
  if (!word.empty() && is_digit(word.back())) return true;
  for (std::string_view leading :
       {"and"sv, "or"sv, "the"sv, "a"sv, "an"sv, "to"sv, "with"sv, "of"sv, "in"sv, "into"sv,
        "for"sv, "from"sv, "at"sv, "on"sv, "by"sv, "until"sv}) {
    if (word == leading) return true;
  }
  return false;
}

// A heading that only says the directions begin or go on: "Directions", "*<* Directions *>*",
// "Directions Continued >>>", "METHOD:".
bool is_directions_label(std::string_view line) noexcept {
  const auto decoration = [](char c) {
    return c == '*' || c == '<' || c == '>' || c == '-' || c == '=' || c == ':' || c == ' ';
  };
  while (!line.empty() && decoration(line.front()))
    line.remove_prefix(1);
  // Each label below opens with one of these letters, in either case: most lines are turned away
  // here, before their first word is looked for.
  if (line.empty() || !recipe_text::is_one_of(static_cast<char>(line.front() | 0x20), "dimp"))
    return false;
  while (!line.empty() && decoration(line.back()))
    line.remove_suffix(1);
  std::string_view rest = line;
  const std::string_view word = next_word(rest);
  static constexpr std::string_view kLabels[] = {"Directions", "Instructions", "Method",
                                                 "Preparation", "Procedure"};
  bool names = false;
  for (std::string_view label : kLabels)
    names = names || is_label(word, label);
  return names && (rest.empty() || starts_with_word(rest, "continue"));
}

// A decorated "Directions" heading with the first step run in after it: "*<* Directions *>*
// To make shell: Melt ...". Gives the step.
bool splits_decorated_directions(std::string_view line, std::string_view& step) noexcept {
  const char first = line.empty() ? '\0' : line.front();
  if (first != '*' && first != '<' && first != '>' && first != '-' && first != '=') return false;
  const std::size_t word = line.find_first_not_of("*<>-= ");
  if (word == 0 || word == std::string_view::npos) return false;
  const std::size_t word_end = line.find_first_of("*<>-= ", word);
  if (word_end == std::string_view::npos || !is_directions_label(line.substr(0, word_end)))
    return false;
  const std::size_t text = line.find_first_not_of("*<>-= ", word_end);
  if (text == std::string_view::npos ||
      line.substr(word_end, text - word_end).find_first_not_of(' ') == std::string_view::npos)
    return false;
  step = line.substr(text);
  return true;
}

// Where " - " first stands in the text, or npos: looked for by its hyphen, as spaces are many.
std::size_t find_spaced_dash(std::string_view text) noexcept {
  for (std::size_t dash = text.find('-', 1);
       dash != std::string_view::npos && dash + 1 < text.size(); dash = text.find('-', dash + 1)) {
    if (text[dash - 1] == ' ' && text[dash + 1] == ' ') return dash - 1;
  }
  return std::string_view::npos;
}

// A signature on a line of its own: the author and the book ("Nava Atlas, "Vegetarian
// Celebrations"", "SARAH BROWN - VEGETARIAN KITCHEN") or a person and the town ("Jane Doe,
// Concord, MA"): a person's name, a comma or a dash, and words that all start with a capital but
// for the small words of a title.
bool is_signature(std::string_view line) noexcept {
  std::size_t comma = line.find(',');
  if (const std::size_t dash = find_spaced_dash(line); dash < comma) comma = dash + 1;
  if (comma == std::string_view::npos || !recipe_text::is_person_name(trim(line.substr(0, comma))))
    return false;
  std::string_view rest = line.substr(comma + 1);
  std::size_t words = 0;
  while (!rest.empty()) {
    std::string_view word = next_word(rest);
    while (!word.empty() && (word.front() == '"' || word.front() == '('))
      word.remove_prefix(1);
    if (word.empty()) continue;
    ++words;
    if (recipe_text::is_upper(word.front()) || recipe_text::is_digit(word.front())) continue;
    bool small = false;
    for (std::string_view title_word :
         {"of"sv, "the"sv, "and"sv, "a"sv, "in"sv, "for"sv, "by"sv, "with"sv, "to"sv, "on"sv})
      small = small || word == title_word;
    if (!small) return false;
  }
  return words >= 1 && words <= 10 && line.back() != ':';
}

// A heading run in before a numbered step: "To prepare: 1. Make the vinaigrette ...". Gives the
// heading and the step.
bool splits_run_in_heading(std::string_view line, std::string_view& heading,
                           std::string_view& step) noexcept {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 40 || !is_letter(line[0]))
    return false;
  heading = trim(line.substr(0, colon));
  step = trim(line.substr(colon + 1));
  std::string_view rest;
  return word_count(heading) <= 4 &&
         recipe_text::find_any(heading, ".;!?") == std::string_view::npos &&
         step_number(step, rest) > 0;
}

// --- The rules, in the order they are tried. ----------------------------------------------

using State = DirectionsReading::State;

// A wrapped line falls short of the wrap by less than a long word; a shorter line ends before
// the margin, as a name or a heading does. A line that reaches 60 columns is full in any file;
// in a file whose own wrap is narrower, so is one within a long word of that wrap.
constexpr std::size_t kFullLine = 60;
constexpr std::size_t kLongWord = 14;

// Whether the line before stops after a word at the end of a full line, so that the next line
// carries its sentence on.
bool wraps_mid_sentence(const LineBefore& before, const State& state) noexcept {
  const std::size_t full =
      std::min(kFullLine, state.wrap_width - std::min(state.wrap_width, kLongWord));
  return state.wrapping == DirectionsReading::Wrapping::kParagraphs && before.width >= full &&
         is_letter(before.last);
}

// A blank line or a rule of hyphens ends the paragraph; the spaced rule "- - - -" that closes
// the recipe's own text also ends the steps.
bool ends_paragraph(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  if (!line.is_blank() && !recipe_text::is_hyphen_rule(line.trimmed)) return false;
  out.action = line.trimmed.find("- -") != std::string_view::npos ? Action::kEndSteps
                                                                  : Action::kEndParagraph;
  return true;
}

// A part's label alone on its line ("Yield:") takes the next line as its value ("\"1 loaf\"").
bool is_value_after_label(const ReadLine& line, const LineBefore&, const State& state,
                          Finding& out) noexcept {
  if (!state.open || state.open_is_step || !state.open_value.empty()) return false;
  out = {Action::kContinue, RecipeField::kComment, {}, line.trimmed};
  return true;
}

bool is_analysis(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  if (!is_nutrition_line(line.trimmed)) return false;
  out = {Action::kOpen, RecipeField::kNutrition, {}, line.trimmed};
  return true;
}

bool is_labelled_part(const ReadLine& line, const LineBefore&, const State&,
                      Finding& out) noexcept {
  DirectionsReading::Part part;
  if (!DirectionsReading::starts_labelled_part(line.trimmed, part)) return false;
  out = {Action::kOpen, part.field, part.label, part.value};
  return true;
}

bool is_notes_heading(const ReadLine& line, const LineBefore&, const State&,
                      Finding& out) noexcept {
  if (!is_note_heading(line.trimmed)) return false;
  out = {Action::kOpen,
         RecipeField::kComment,
         trim(line.trimmed.substr(0, line.trimmed.find(':'))),
         {}};
  return true;
}

// "From" after a word that a wrapped paragraph carries over a full line goes on with the
// sentence ("... Remove" / "From Skillet, Reserving ..."), where Title Case hides it.
bool is_credit(const ReadLine& line, const LineBefore& before, const State& state,
               Finding& out) noexcept {
  if (state.open_is_step && starts_with_word(line.trimmed, "From ") &&
      wraps_mid_sentence(before, state))
    return false;
  // A line of names and addresses stands as a paragraph of its own, or after a sentence.
  const bool stands_alone =
      before.is_blank() || (state.open_is_step && !state.open_value.empty() &&
                            recipe_text::is_sentence_end(state.open_value.back()));
  if (!is_credit_line(line.trimmed) && !(stands_alone && is_address_line(line.trimmed)))
    return false;
  out = {Action::kOpen, RecipeField::kComment, {}, line.trimmed};
  return true;
}

// "Directions" alone carries no text; "*<* Directions *>* To make the shell: Melt ..." runs the
// first step in after its decorations.
bool is_directions_heading(const ReadLine& line, const LineBefore&, const State&,
                           Finding& out) noexcept {
  if (is_directions_label(line.trimmed)) {
    out.action = Action::kEndParagraph;
    return true;
  }
  if (!splits_decorated_directions(line.trimmed, out.value)) return false;
  out.action = Action::kStep;
  return true;
}

bool is_run_in_heading(const ReadLine& line, const LineBefore&, const State& state,
                       Finding& out) noexcept {
  if (state.after_rule || !splits_run_in_heading(line.trimmed, out.label, out.value)) return false;
  out.action = Action::kSectionThenStep;
  return true;
}

// A signature stands as a paragraph of its own: the line above was blank, or the open item a
// part, not a step.
bool is_signature_line(const ReadLine& line, const LineBefore& before, const State& state,
                       Finding& out) noexcept {
  if (!(before.is_blank() || !state.open_is_step) || !is_signature(line.trimmed)) return false;
  out = {Action::kOpen, RecipeField::kComment, {}, line.trimmed};
  return true;
}

bool is_numbered_step(const ReadLine& line, const LineBefore&, const State& state,
                      Finding& out) noexcept {
  std::string_view rest;
  std::string_view label, value;
  // "5. Makes 8 cups." is the yield, numbered as if it were a step.
  if (state.after_rule || step_number(line.trimmed, rest) == 0 || is_yield_line(rest, label, value))
    return false;
  out = {Action::kNumberedStep, RecipeField::kStep, {}, line.trimmed};
  return true;
}

// Whether a wrapped line is indented as the first line of a new paragraph: two columns or more
// further in than the line above, unless that one stops mid-sentence and this one goes on in
// lower case ("...tested in cold water" / "    form a soft ball."); or one column further in
// after a sentence ended, where the open paragraph's first line stood so too: some typists
// indent every paragraph's first line by one. One column more elsewhere is a slip.
bool indents_paragraph(const ReadLine& line, const State& state) noexcept {
  if (line.indent <= state.indent_above) return false;
  if (line.indent > state.indent_above + 1)
    return ends_sentence(state.open_value) || !is_lower(line.first());
  return line.indent == state.open_indent && ends_sentence(state.open_value);
}

// In a wrapped paragraph every line continues it, but a step line indented two columns or more
// further than the one above starts a new step: wrapped directions often mark a paragraph only so
// (a numbered step's hanging indent excepted). Where lines are paragraphs, a line continues the one
// above only when that one stops mid-sentence and this one goes on in lower case or with a number,
// or when it is indented under a part ("NOTES : Serve cold." then "        Keeps a week.").
bool continues_open(const ReadLine& line, const LineBefore& before, const State& state,
                    Finding& out) noexcept {
  if (!state.open) return false;
  bool continues = false;
  if (state.wrapping == DirectionsReading::Wrapping::kParagraphs) {
    continues = !(state.open_is_step && state.step_number == 0 && indents_paragraph(line, state));
  } else if (!state.open_is_step && line.indent >= 2) {
    continues = true;
  } else {
    std::string_view rest;
    continues = state.open_is_step && state.step_number > 0 &&
                step_number(line.trimmed, rest) == 0 && !is_section_heading(line.trimmed);
    continues =
        continues ||
        (!ends_sentence(state.open_value) &&
         (is_lower(line.first()) || is_digit(line.first()) || stops_mid_phrase(state.open_value)));
    continues = continues || fills_the_width(before, line, state.wrap_width);
    // "... with flour. (Leave" / "Mozzarella separate.)": the bracket closes on this line.
    continues = continues || recipe_text::closes_bracket(state.open_value, line.trimmed);
  }
  if (!continues) return false;
  out = {Action::kContinue, RecipeField::kStep, {}, line.trimmed};
  return true;
}

bool is_date(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  if (!is_date_line(line.trimmed)) return false;
  out = {Action::kOpen, RecipeField::kComment, {}, line.trimmed};
  return true;
}

bool is_starred_footnote(const ReadLine& line, const LineBefore&, const State&,
                         Finding& out) noexcept {
  if (!is_footnote(line.trimmed)) return false;
  out = {Action::kOpen, RecipeField::kComment, {}, line.trimmed};
  return true;
}

bool is_stated_yield(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  std::string_view text = line.trimmed;
  std::string_view rest;
  if (step_number(text, rest) > 0) text = rest;
  if (!is_yield_line(text, out.label, out.value)) return false;
  out.action = Action::kOpen;
  out.field = RecipeField::kYield;
  return true;
}

bool is_steps_heading(const ReadLine& line, const LineBefore&, const State& state,
                      Finding& out) noexcept {
  if (state.after_rule || !is_section_heading(line.trimmed)) return false;
  out = {
      Action::kSection, RecipeField::kSection, {}, line.trimmed.substr(0, line.trimmed.size() - 1)};
  return true;
}

// After the spaced rule, what the recipe's own text left out: a comment.
bool is_after_rule(const ReadLine& line, const LineBefore&, const State& state,
                   Finding& out) noexcept {
  if (!state.after_rule) return false;
  out = {Action::kOpen, RecipeField::kComment, {}, line.trimmed};
  return true;
}

bool is_step(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  out = {Action::kStep, RecipeField::kStep, {}, line.trimmed};
  return true;
}

}  // namespace

// A rule with a shortest line is not tried on a shorter one: most lines of one or two words pass
// on to "continues open" without a search. The shortest lines: "Calories:" (the shortest start,
// as long as "1 cal per"), "A:", "Note", "(c)" and "\xC2\xA9" (two bytes), "Method", "A:1.B" and
// "1.B".
const DirectionsReading::Rule DirectionsReading::kRules[] = {
    {"ends paragraph", ends_paragraph},
    {"value after label", is_value_after_label},
    {"analysis", is_analysis, 9},
    {"labelled part", is_labelled_part, 2},
    {"notes heading", is_notes_heading, 4},
    {"credit", is_credit, 2},
    {"directions heading", is_directions_heading, 6},
    {"run-in heading", is_run_in_heading, 5},
    {"numbered step", is_numbered_step, 3},
    {"continues open", continues_open},
    {"signature", is_signature_line},
    {"date", is_date},
    {"footnote", is_starred_footnote},
    {"stated yield", is_stated_yield},
    {"steps heading", is_steps_heading},
    {"after rule", is_after_rule},
    {"step", is_step},
};

bool DirectionsReading::starts_labelled_part(std::string_view trimmed, Part& out) noexcept {
  const std::size_t colon = trimmed.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view label = trim(trimmed.substr(0, colon));
  out.value = trim(trimmed.substr(colon + 1));
  // "T(Baking Time)", "S(Internet address)": a field the recipe program adds, its name in
  // brackets after a letter that says its kind; T is a time.
  bool program_field = false;
  if (label.size() > 3 && recipe_text::is_upper(label[0]) && label[1] == '(' &&
      label.back() == ')') {
    program_field = label[0] != 'T';
    label = trim(label.substr(2, label.size() - 3));
  }
  out.label = label;
  if (program_field) {
    out.field = RecipeField::kComment;
    return !label.empty();
  }
  for (const PartLabel& part : kPartLabels) {
    if (is_label(label, part.label)) {
      out.field = part.field;
      return true;
    }
  }
  if (label.size() > recipe_text::kMaxLabelSize || word_count(label) > 4) return false;
  // Someone's notes: "Mark's notes:", "Editor's Note:", "Sue's tips:".
  std::size_t owner = label.find("'s ");
  if (owner == std::string_view::npos) owner = label.find("'S ");  // "MARK'S NOTES:"
  for (std::string_view notes : {" notes"sv, " note"sv, " tips"sv, " comments"sv}) {
    if (owner != std::string_view::npos && owner + 3 + notes.size() - 1 == label.size() &&
        ends_with_word(label, notes) && recipe_text::is_upper(label.front())) {
      out.field = RecipeField::kComment;
      return true;
    }
  }
  if (!ends_with_word(label, " Time")) return false;
  out.field = time_field(label);
  return true;
}

void DirectionsReading::start(Wrapping wrapping) noexcept {
  state_ = {};
  state_.wrapping = wrapping;
  state_.wrap_width = wrap_width();
  open_ = last_step_ = StructuredRecipe::kNoItem;
  before_ = {};
}

void DirectionsReading::read(std::string_view text) noexcept {
  const ReadLine line = ReadLine::of(text);
  state_.indent_above = indent_;
  state_.open = open_ != StructuredRecipe::kNoItem;
  state_.open_value = state_.open ? recipe_.value(open_) : std::string_view();
  Finding found;
  const Rule* rule = first_match(kRules, line, before_, state_, found);
  if (counts_ != nullptr) counts_->add(rule->name);
  apply(found);
  if (found.action != Action::kEndParagraph && found.action != Action::kEndSteps)
    indent_ = line.indent;
  if (found.action != Action::kContinue) state_.open_indent = line.indent;
  // A line that stops mid-sentence with more text under it shows where the export wrapped.
  if (!line.is_blank() && !before_.is_blank() && is_letter(before_.last) &&
      before_.width < kWidths && widths_[before_.width] < 0xFFFF) {
    ++widths_[before_.width];
    widest_ = std::max(widest_, before_.width);
    ++lines_counted_;
    state_.wrap_width = wrap_width();
  }
  before_ = LineBefore::of(line);
}

namespace {

// Narrower than this, a line is no wrapped paragraph's: it is a heading, a list or a signature.
constexpr std::size_t kNarrowestWrap = 40;
// The width the column layout's export wraps at most often. A file's first wrapped lines say
// little (the widest of a few ends short of the wrap), so until it has shown this many, the
// wider of its own width and this one is taken.
constexpr std::size_t kUsualWrapWidth = 74;
constexpr unsigned kLinesToTell = 8;

}  // namespace

std::size_t DirectionsReading::wrap_width() const noexcept {
  // A width where at least two wrapped lines end, and one in 64 of them once there are many: the
  // few lines that pass the wrap are then too few to count.
  const unsigned enough = std::max(2u, lines_counted_ / 64);
  std::size_t width = widest_;
  while (width >= kNarrowestWrap && widths_[width] < enough)
    --width;
  if (width < kNarrowestWrap) return kUsualWrapWidth;
  return lines_counted_ < kLinesToTell ? std::max(width, kUsualWrapWidth) : width;
}

// The one place where a line of directions changes the recipe.
void DirectionsReading::apply(const Finding& found) noexcept {
  switch (found.action) {
    case Action::kEndSteps:
      state_.after_rule = true;
      return close();
    case Action::kContinue:
      if (state_.open_is_step) return add_step_text(found.value, true);
      return recipe_.extend_words(open_, found.value);
    case Action::kOpen:
      return open(found.field, found.label, found.value);
    case Action::kNumberedStep:
      close();
      state_.step_number = 0;
      return add_step_text(found.value, false);
    case Action::kSection:
      close();
      recipe_.add_words(RecipeField::kSection, {}, found.value);
      state_.step_number = 0;
      return;
    case Action::kSectionThenStep:
      close();
      recipe_.add_words(RecipeField::kSection, {}, found.label);
      return add_step_text(found.value, false);
    case Action::kStep:
      close();
      return add_step_text(found.value, false);
    case Action::kEndParagraph:
      // A note's label alone ("Vicki's notes:") heads the paragraph after the blank line.
      if (state_.open && !state_.open_is_step && state_.open_value.empty() &&
          recipe_.field(open_) == RecipeField::kComment)
        return;
      return close();
    default:
      return close();
  }
}

// A part's value is often quoted on the line after its label; the quotes are not text.
void DirectionsReading::close() noexcept {
  if (state_.open_is_step && open_ != StructuredRecipe::kNoItem) last_step_ = open_;
  if (!state_.open_is_step) recipe_.unquote(open_);
  open_ = StructuredRecipe::kNoItem;
  state_.open_is_step = false;
}

void DirectionsReading::finish() noexcept {
  close();
  if (last_step_ != StructuredRecipe::kNoItem) take_closing_yield(last_step_);
}

// The last step, when it ends with the yield ("... cut into squares. Makes about 1 1/4 lbs."),
// states it for a recipe whose header and text gave none: the sentence stays in the step, and
// the yield is taken from it as well. An earlier step's yield is that of a part or a variant.
void DirectionsReading::take_closing_yield(std::size_t last_step) noexcept {
  const std::string_view step = recipe_.value(last_step);
  if (step.size() < 2) return;
  const std::size_t end = step.find_last_of(".!?", step.size() - 2);
  const std::string_view sentence =
      end == std::string_view::npos ? step : trim(step.substr(end + 1));
  std::string_view label, value;
  if (sentence.size() == step.size() || !is_yield_line(sentence, label, value) ||
      recipe_.has(RecipeField::kYield))
    return;
  recipe_.add(RecipeField::kYield, label, value);
}

void DirectionsReading::open(RecipeField field, std::string_view label,
                             std::string_view value) noexcept {
  close();
  open_ = recipe_.add_words(field, label, value);
}

// Text of a step: a numbered line starts a step without its number, and a line holding the
// next number starts that step there.
void DirectionsReading::add_step_text(std::string_view trimmed, bool continued) noexcept {
  std::string_view rest;
  unsigned& number = state_.step_number;
  if (const unsigned found = continued ? 0 : step_number(trimmed, rest); found > 0) {
    trimmed = rest;
    number = found;
  } else if (!continued) {
    number = 0;
  }
  // "... Serves 12. Source: "An Edible Christmas" by ...": the credit and what follows it in
  // the paragraph are no step.
  std::string_view credit;
  if (const std::size_t at = inline_credit(trimmed); at != std::string_view::npos) {
    credit = trimmed.substr(at);
    trimmed = trim(trimmed.substr(0, at));
  }
  while (!trimmed.empty()) {
    const std::size_t next = number > 0 ? inline_step(trimmed, number + 1) : std::string_view::npos;
    const std::string_view piece = trim(trimmed.substr(0, next));
    if (continued) {
      recipe_.extend_words(open_, piece);
    } else {
      close();
      open_ = recipe_.add_words(RecipeField::kStep, {}, piece);
      state_.open_is_step = true;
    }
    if (next == std::string_view::npos) break;
    ++number;
    step_number(trimmed.substr(next), trimmed);
    continued = false;
  }
  if (!credit.empty()) open(RecipeField::kComment, {}, credit);
}

}  // namespace mirtabel
