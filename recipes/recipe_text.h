// Small tests and cuts on the UTF-8 text of one line, shared by the structured readings of the
// two layouts. Columns count characters (code points), as a fixed-width layout lines them up.
#ifndef MIRTABEL_RECIPES_RECIPE_TEXT_H
#define MIRTABEL_RECIPES_RECIPE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/text_line.h"

namespace mirtabel::recipe_text {

using namespace std::string_view_literals;  // a list of literals is a list of views, sized once

// The line without its line feed.
inline std::string_view of(const TextLine& line) noexcept {
  return {reinterpret_cast<const char*>(line.bytes), line.text_size()};
}

inline bool is_space(char c) noexcept {
  return c == ' ' || c == '\t';
}

// Whether `c` is one of the bytes of `set`: a loop, not a library call.
inline bool is_one_of(char c, std::string_view set) noexcept {
  for (char member : set) {
    if (c == member) return true;
  }
  return false;
}

// The first place from `from` of a byte of `set`, or npos, as find_first_of gives it; but in one
// loop, where the standard search calls the library once for every byte of the text.
inline std::size_t find_any(std::string_view text, std::string_view set,
                            std::size_t from = 0) noexcept {
  for (std::size_t at = from; at < text.size(); ++at) {
    for (char c : set) {
      if (text[at] == c) return at;
    }
  }
  return std::string_view::npos;
}

// The last place of a byte of `set`, or npos, as find_last_of gives it.
inline std::size_t find_last_any(std::string_view text, std::string_view set) noexcept {
  for (std::size_t at = text.size(); at > 0; --at) {
    for (char c : set) {
      if (text[at - 1] == c) return at - 1;
    }
  }
  return std::string_view::npos;
}

inline bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

inline bool is_lower(char c) noexcept {
  return c >= 'a' && c <= 'z';
}

inline bool is_upper(char c) noexcept {
  return c >= 'A' && c <= 'Z';
}

inline bool is_letter(char c) noexcept {
  return is_lower(c) || is_upper(c);
}

inline bool is_sentence_end(char c) noexcept {
  return c == '.' || c == '!' || c == '?';
}

// Characters (code points) in UTF-8 text.
inline std::size_t chars_of(std::string_view text) noexcept {
  std::size_t chars = 0;
  for (char c : text)
    chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return chars;
}

inline std::string_view trim(std::string_view text) noexcept {
  while (!text.empty() && is_space(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && is_space(text.back()))
    text.remove_suffix(1);
  return text;
}

// The next word of `text`, which is advanced past it and the spaces after it.
inline std::string_view next_word(std::string_view& text) noexcept {
  text = trim(text);
  std::size_t end = 0;
  while (end < text.size() && !is_space(text[end]))
    ++end;
  const std::string_view word = text.substr(0, end);
  text = trim(text.substr(end));
  return word;
}

inline bool is_blank(std::string_view text) noexcept {
  return trim(text).empty();
}

// Spaces and tabs before the first other character.
inline std::size_t indent(std::string_view text) noexcept {
  std::size_t n = 0;
  while (n < text.size() && is_space(text[n]))
    ++n;
  return n;
}

// Plain text is passed eight bytes at a time where a loop may: these load the eight bytes as a
// word and find bytes in it.
inline constexpr std::uint64_t kEachByte = 0x0101010101010101u;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080u;

inline std::uint64_t load8(const char* bytes) noexcept {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
  return word;
}

// The high bit of each byte of the word that is `c`, and no other bit: exact, on any byte order.
constexpr std::uint64_t bytes_equal(std::uint64_t word, unsigned char c) noexcept {
  constexpr std::uint64_t low = ~kHighBits;
  const std::uint64_t x = word ^ (c * kEachByte);
  return ~(((x & low) + low) | x | low);
}

// The high bit of some byte of the word that is no printable ASCII (a control, the delete
// character or past ASCII), and maybe of bytes after it: whether any is, not which.
constexpr std::uint64_t unprintable_bytes(std::uint64_t word) noexcept {
  const std::uint64_t control = (word - 0x20 * kEachByte) & ~word & kHighBits;
  return (word & kHighBits) | control | bytes_equal(word, 0x7F);
}

// Where, from `at`, the first eight bytes stand that `needs_look` says some byte of may need a
// look of its own, or the end of the text: eight bytes are passed at a time, and fewer than eight
// left at once when the eight that end the text need no look, or, in a text shorter than eight
// (a key, a short value), when they need none with spaces after them, which `needs_look` must
// pass.
template <typename NeedsLook>
std::size_t pass_plain_bytes(std::string_view text, std::size_t at, NeedsLook needs_look) noexcept {
  while (at + 8 <= text.size() && !needs_look(load8(text.data() + at)))
    at += 8;
  if (at + 8 <= text.size() || at == text.size()) return at;
  if (text.size() >= 8) return needs_look(load8(text.data() + text.size() - 8)) ? at : text.size();
  char padded[8];
  std::memset(padded, ' ', sizeof padded);
  std::memcpy(padded, text.data() + at, text.size() - at);
  return needs_look(load8(padded)) ? at : text.size();
}

// Whether every byte of the text is ASCII, so that a character is a byte.
inline bool is_ascii(std::string_view text) noexcept {
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    if ((load8(text.data() + at) & kHighBits) != 0) return false;
  }
  for (; at < text.size(); ++at) {
    if (static_cast<unsigned char>(text[at]) >= 0x80) return false;
  }
  return true;
}

// Byte offset of character `column` (from 0), or the text's size when it is shorter. Rows are
// mostly ASCII, where a character is a byte: those bytes are passed eight at a time.
inline std::size_t offset_of_column(std::string_view text, std::size_t column) noexcept {
  std::size_t offset = 0;
  const std::size_t ascii_end = column < text.size() ? column : text.size();
  for (; offset + 8 <= ascii_end; offset += 8) {
    if ((load8(text.data() + offset) & kHighBits) != 0) break;
  }
  column -= offset;
  for (; offset < text.size(); ++offset) {
    if ((static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) continue;  // not a lead byte
    if (column == 0) return offset;
    --column;
  }
  return offset;
}

// Characters [first, last) of the text; `last` may lie past its end.
inline std::string_view columns(std::string_view text, std::size_t first,
                                std::size_t last = std::string_view::npos) noexcept {
  const std::size_t begin = offset_of_column(text, first);
  const std::size_t end =
      last == std::string_view::npos ? text.size() : offset_of_column(text, last);
  return text.substr(begin, end - begin);
}

// An amount such as 1, 1/2, 2 1/2, 1-2 or 1.5 (¼, ½ and ¾ too): digits and those signs only.
inline bool is_amount(std::string_view text) noexcept {
  if (text.empty()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' || c == ' ') continue;
    if (c == '\xC2' && i + 1 < text.size() && text[i + 1] >= '\xBC' && text[i + 1] <= '\xBE') {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

// A line of hyphens and spaces only, with at least three hyphens, perhaps after a tilde or
// other mark ("~-----------"): a rule that carries no text.
inline bool is_hyphen_rule(std::string_view text) noexcept {
  std::size_t hyphens = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '-') {
      ++hyphens;
    } else if (!is_space(c) && !(i == 0 && (c == '~' || c == '=' || c == '+'))) {
      return false;
    }
  }
  return hyphens >= 3;
}

// Whether the trimmed text starts with `word`, ignoring the case of ASCII letters.
inline bool starts_with_word(std::string_view text, std::string_view word) noexcept {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(text[i]) != lower(word[i])) return false;
  }
  return true;
}

// Whether `text` is `word`, ignoring the case of ASCII letters: "SERVINGS" is the label
// "Servings".
inline bool is_label(std::string_view text, std::string_view word) noexcept {
  return text.size() == word.size() && starts_with_word(text, word);
}

inline bool ends_with_word(std::string_view text, std::string_view word) noexcept {
  return text.size() >= word.size() &&
         starts_with_word(text.substr(text.size() - word.size()), word);
}

// Whether `word` stands in `text` as a whole word, in any case: "book" in "The Joy Book".
inline bool has_word(std::string_view text, std::string_view word) noexcept {
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    const std::size_t end = at + word.size();
    const bool starts = at == 0 || !is_letter(text[at - 1]);
    const bool ends = end == text.size() || !is_letter(text[end]);
    if (starts && ends && starts_with_word(text.substr(at), word)) return true;
  }
  return false;
}

inline std::size_t word_count(std::string_view text) noexcept {
  std::size_t words = 0;
  bool in_word = false;
  for (char c : text) {
    if (!is_space(c) && !in_word) ++words;
    in_word = !is_space(c);
  }
  return words;
}

// The text without one colon that ends it, and the white space before that: "For the sauce".
inline std::string_view without_colon(std::string_view text) noexcept {
  if (!text.empty() && text.back() == ':') text.remove_suffix(1);
  return trim(text);
}

// The text without one pair of double quotes that encloses it: a program's field writes its
// value so ("T(Cook Time): "0:40"").
inline std::string_view without_quotes(std::string_view text) noexcept {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = trim(text.substr(1, text.size() - 2));
  return text;
}

// A mark that opens a continuation row of the ingredient block: ";inch thick", "-- beaten",
// ":cut into".
inline bool is_continuation_mark(char c) noexcept {
  return c == ';' || c == '-' || c == ':';
}

// A row of the ingredient block that opens with a continuation mark, or with a bracket that
// holds a note on the ingredient above ("(optional)").
inline bool starts_continuation(std::string_view trimmed) noexcept {
  return !trimmed.empty() && (is_continuation_mark(trimmed.front()) || trimmed.front() == '(');
}

// A row that opens with a word no ingredient starts with, in any case (some exports capitalise
// every row), so that it can only go on with the row above: "and chopped", "To taste",
// "Or whole legs", "For garnish". One with an amount after the word names an alternative
// ingredient of its own: "OR 1/2 cake compressed yeast".
inline bool starts_with_joining_word(std::string_view trimmed) noexcept {
  std::string_view rest = trimmed;
  const std::string_view word = next_word(rest);
  if (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') return false;
  for (std::string_view joining :
       {"and"sv, "or"sv, "to"sv, "into"sv, "then"sv, "until"sv, "for"sv}) {
    if (is_label(word, joining)) return true;
  }
  return false;
}

// The text of a continuation row without its marks: "inch thick" of ";inch thick". A word that
// the marks enclose keeps them: "-OR- quick oats".
inline std::string_view without_marks(std::string_view trimmed) noexcept {
  std::string_view rest = trimmed;
  while (!rest.empty() && is_continuation_mark(rest.front()))
    rest.remove_prefix(1);
  const std::size_t word_end = find_any(rest, " \t");
  const std::string_view word = rest.substr(0, word_end);
  if (word.size() > 1 && word.back() == '-' && rest.size() < trimmed.size() &&
      trimmed[trimmed.size() - rest.size() - 1] == '-')
    return trim(trimmed.substr(trimmed.size() - rest.size() - 1));
  return trim(rest);
}

// Whether the bracket that `text` leaves open closes in `next` before another opens: "(small" /
// "white beans)". A bracket cut off at the column's end ("(see re") closes nowhere.
inline bool closes_bracket(std::string_view text, std::string_view next) noexcept {
  std::size_t open = 0;
  for (char c : text) {
    if (c == '(') ++open;
    if (c == ')' && open > 0) --open;
  }
  const std::size_t close = next.find(')');
  return open > 0 && close != std::string_view::npos &&
         next.substr(0, close).find('(') == std::string_view::npos;
}

// Whether an ingredient's text stops where it cannot end, so that the row after it, `next`,
// goes on with it even without a mark: after a comma or a hyphen ("peeled," / "heavy-"),
// inside a bracket that `next` closes, or after a word that leads into more ("seeded and",
// "cut into", "coarsely"). "Juice of" ends many an ingredient ("1 lemon; juice of").
inline bool ends_unfinished(std::string_view text, std::string_view next) noexcept {
  text = trim(text);
  if (text.empty()) return false;
  const char last = text.back();
  if (last == ',' || (last == '-' && text.size() > 1 && text[text.size() - 2] != '-')) return true;
  if (closes_bracket(text, next)) return true;
  const std::size_t space = find_last_any(text, " \t");
  const std::string_view word = space == std::string_view::npos ? text : text.substr(space + 1);
  for (std::string_view leading :
       {"and"sv,     "or"sv,      "with"sv,    "the"sv,     "a"sv,        "an"sv,
        "to"sv,      "into"sv,    "in"sv,      "for"sv,     "plus"sv,     "about"sv,
        "from"sv,    "very"sv,    "well"sv,    "finely"sv,  "coarsely"sv, "thinly"sv,
        "thickly"sv, "roughly"sv, "freshly"sv, "lightly"sv, "loosely"sv,  "firmly"sv}) {
    if (is_label(word, leading)) return true;
  }
  return false;
}

// A person's name: one to four words, each capitalised ("Mary", "J.", "O'Hara", "Smith-Jones")
// or a particle of a name ("van", "de"), and no other lower-case word, as a title has
// ("The Joy of Baking", "Aunt Edna's card file").
inline bool is_person_name(std::string_view text) noexcept {
  std::size_t words = 0;
  while (!text.empty()) {
    const std::size_t end = text.find(' ');
    const std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : trim(text.substr(end));
    if (word.empty()) continue;
    ++words;
    if (word[0] >= 'A' && word[0] <= 'Z') continue;
    bool particle = false;
    for (std::string_view name_part :
         {"van"sv, "von"sv, "der"sv, "den"sv, "de"sv, "del"sv, "della"sv, "di"sv, "da"sv, "du"sv,
          "la"sv, "le"sv, "st."sv}) {
      particle = particle || word == name_part;
    }
    if (!particle) return false;
  }
  return words >= 1 && words <= 4;
}

// A header line "Label : value": the label (trimmed, not empty, at most kMaxLabelSize bytes)
// before the first colon, and the value after it.
struct Labelled {
  std::string_view label;
  std::string_view value;
};
inline constexpr std::size_t kMaxLabelSize = 32;

inline bool split_label(std::string_view text, Labelled& out) noexcept {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  out.label = trim(text.substr(0, colon));
  out.value = trim(text.substr(colon + 1));
  return !out.label.empty() && out.label.size() <= kMaxLabelSize;
}

// An e-mail address somewhere in the text: "jdoe@example.com".
inline bool has_email_address(std::string_view text) noexcept {
  const std::size_t at = text.find('@');
  return at != std::string_view::npos && at > 0 && !is_space(text[at - 1]) &&
         text.find('.', at) != std::string_view::npos;
}

// A web address somewhere in the text: "http://...", "ftp://...", "www.example.net/beans".
inline bool has_web_address(std::string_view text) noexcept {
  return text.find("://") != std::string_view::npos || text.find("www.") != std::string_view::npos;
}

// A row that only says there is nothing here: "***** NONE *****", "***See Directions***".
inline bool is_placeholder(std::string_view trimmed) noexcept {
  std::string_view words = trimmed;
  while (!words.empty() && words.front() == '*')
    words.remove_prefix(1);
  if (words.size() == trimmed.size()) return false;
  while (!words.empty() && words.back() == '*')
    words.remove_suffix(1);
  words = trim(words);
  for (std::string_view nothing : {"none"sv, "see directions"sv, "see instructions"sv,
                                   "see below"sv, "see recipe"sv, "no ingredients"sv}) {
    if (words.size() == nothing.size() && starts_with_word(words, nothing)) return true;
  }
  return false;
}

// A heading that names the size of a loaf: "1 1/2 LB LOAF", "2-pound loaf". The first such
// heading states the recipe's yield.
inline bool is_loaf_size(std::string_view name) noexcept {
  if (name.empty() || name[0] < '0' || name[0] > '9') return false;
  for (std::size_t at = 0; at + 4 <= name.size(); ++at) {
    if (starts_with_word(name.substr(at), "loaf")) return true;
  }
  return false;
}

// A decorated heading of the rows after it: "-----FOR THE SAUCE-----", "***FILLING***",
// "MMMMM---SAUCE---", "MMMMM---------DRESSING". Gives the words between the decorations.
inline bool is_decorated_heading(std::string_view trimmed, std::string_view& name) noexcept {
  std::string_view text = trimmed;
  bool marked = false;  // five copies of a letter before the hyphens
  if (text.size() > 5 && text[0] >= 'A' && text[0] <= 'Z' &&
      text.substr(0, 5).find_first_not_of(text[0]) == std::string_view::npos && text[5] == '-') {
    text.remove_prefix(5);
    marked = true;
  }
  if (text.empty() || (text[0] != '-' && text[0] != '*')) return false;
  const char decoration = text[0];
  std::size_t before = 0, after = 0;
  while (before < text.size() && text[before] == decoration)
    ++before;
  while (after < text.size() - before && text[text.size() - 1 - after] == decoration)
    ++after;
  if (before < 3 || (!marked && after < 3)) return false;
  name = trim(text.substr(before, text.size() - before - after));
  // A single hyphen inside belongs to a word ("SPINACH-FETA"); a run of them is decoration.
  const char run[2] = {decoration, decoration};
  return !name.empty() && name.find(std::string_view(run, 2)) == std::string_view::npos &&
         (decoration == '-' || name.find(decoration) == std::string_view::npos);
}

}  // namespace mirtabel::recipe_text

#endif
