// The "nothing lost" check of the structured export: every word of a recipe's source text, but
// the layouts' own words, default serving counts, empty fields, step numbers and the numbers
// of a time, appears among the words of its JSON object's values. Words are runs of ASCII letters
// (in any case) or of digits (by value; a 0 is no word, as a time of 0 is left out). Recipes are
// framed as the conversion frames them: one starts at every line that ends with the file's first
// line. Used by the fuzzer and by tests/structured/nothing_lost.cpp over the real archives.
#ifndef MIRTABEL_TESTS_SUPPORT_NOTHING_LOST_CHECK_H
#define MIRTABEL_TESTS_SUPPORT_NOTHING_LOST_CHECK_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mirtabel::testing {

// Words that are the layouts' own, not the recipe's: header labels, the column names above the
// ingredient table, the program's banners and fields.
// layout words begin
constexpr std::string_view kLayoutWords[] = {
    "title",       "categories", "category",   "yield",        "yields",
    "servings",    "serving",    "size",       "preparation",  "time",
    "recipe",      "by",         "amount",     "measure",      "ingredient",
    "method",      "per",        "exported",   "from",         "via",
    "tm",          "mmmmm",      "cuisine",    "source",       "ratings",
    "start",       "to",         "finish",     "cooking",      "bake",
    "standing",    "t",          "s",          "internet",     "address",
    "nutr",        "assoc",      "directions", "instructions", "continued",
    "continue",    "notes",      "note",       "makes",        "serves",
    "prep",        "total",      "hour",       "hours",        "minutes",
    "minute",      "min",        "mins",       "variation",    "variations",
    "suggestions", "hints",      "tips",       "procedure",    "see",
    "below",       "none",       "baking",     "description",  "name",
    "cook",
};
// layout words end

namespace nothing_lost {

inline char lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
inline bool is_letter(char c) noexcept {
  return lower(c) >= 'a' && lower(c) <= 'z';
}
inline bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// Appends the words of `text` to `out`, lowercased, numbers without leading zeros. With
// `drop_step_numbers`, a number of one or two digits that starts a word and is followed by '.'
// or ')' is a step's number, not a word.
inline void add_words(std::string_view text, std::vector<std::string>& out,
                      bool drop_step_numbers = false) {
  for (std::size_t at = 0; at < text.size();) {
    const bool letters = is_letter(text[at]);
    if (!letters && !is_digit(text[at])) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && (letters ? is_letter(text[end]) : is_digit(text[end])))
      ++end;
    std::string word(text.substr(at, end - at));
    const bool starts_word = at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t';
    const bool step_number = !letters && drop_step_numbers && starts_word && end - at <= 2 &&
                             end < text.size() && (text[end] == '.' || text[end] == ')');
    at = end;
    if (step_number) continue;
    if (letters) {
      std::transform(word.begin(), word.end(), word.begin(), lower);
    } else {
      word.erase(0, std::min(word.find_first_not_of('0'), word.size()));
      if (word.empty()) continue;
    }
    out.push_back(std::move(word));
  }
}

// The words of the values of one JSON object (keys left out), its strings decoded: an escape
// stands for a character that is no letter or digit, but for \/ and those of ASCII letters.
inline std::vector<std::string> object_words(std::string_view json) {
  std::vector<std::string> words;
  std::string text;
  for (std::size_t at = 0; at < json.size(); ++at) {
    if (json[at] != '"') continue;
    text.clear();
    for (++at; at < json.size() && json[at] != '"'; ++at) {
      if (json[at] != '\\') {
        text.push_back(json[at]);
        continue;
      }
      ++at;  // \n, \t, \" and \uXXXX of a control or '<' all separate words
      if (at < json.size() && json[at] == 'u') at += 4;
      text.push_back(' ');
    }
    std::size_t next = at + 1;
    while (next < json.size() && json[next] == ' ')
      ++next;
    if (next < json.size() && json[next] == ':') continue;  // a key
    add_words(text, words);
  }
  std::sort(words.begin(), words.end());
  return words;
}

inline bool starts_with_nocase(std::string_view text, std::string_view start) noexcept {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (lower(text[i]) != start[i]) return false;
  }
  return true;
}

inline std::string_view trim(std::string_view text) noexcept {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// The program's default serving count, written when the author gave none: "Servings: 1",
// "Yield: 1 servings", "Serving Size  : 0".
inline bool is_default_count(std::string_view line) noexcept {
  line = trim(line);
  for (std::string_view label : {"servings", "yield", "serving size"}) {
    if (!starts_with_nocase(line, label)) continue;
    std::string_view rest = trim(line.substr(label.size()));
    if (rest.empty() || rest.front() != ':') return false;
    rest = trim(rest.substr(1));
    if (rest.empty() || (rest.front() != '0' && rest.front() != '1')) return false;
    rest = trim(rest.substr(1));
    // "Serving Size  : 1     Preparation Time :0:15": a field of its own may follow.
    return rest.empty() || starts_with_nocase(rest, "serving") ||
           starts_with_nocase(rest, "preparation time");
  }
  return false;
}

// A line that labels a time ("Cook Time: 1 1/2 hours", "T(Baking Time):", "Prep: 20 min",
// "Serving Size : 4   Preparation Time :0:30"), whose numbers the object holds as a duration
// ("PT1H30M") rather than as written.
inline bool labels_time(std::string_view line) noexcept {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  // The column layout's preparation time may stand as the line's second field.
  std::string whole(line);
  std::transform(whole.begin(), whole.end(), whole.begin(), lower);
  if (whole.find("preparation time") != std::string::npos) return true;
  std::string label(trim(line.substr(0, colon)));
  std::transform(label.begin(), label.end(), label.begin(), lower);
  while (!label.empty() && label.back() == ')')
    label.pop_back();
  for (std::string_view time : {"prep", "cook", "bake", "ready in"}) {
    if (label == time) return true;
  }
  return label.size() >= 4 && label.substr(label.size() - 4) == "time";
}

// What a duration holds of a time as written: its numbers and the short forms of its units
// ("1 h 30 m", "2 hrs").
inline bool is_time_word(const std::string& word) noexcept {
  return is_digit(word[0]) || word == "h" || word == "hr" || word == "hrs" || word == "m";
}

// The labelled layout's opening, a banner of the program that wrote the archive.
inline bool is_banner(std::string_view line) noexcept {
  line = trim(line);
  if (line.substr(0, 5) == "MMMMM") line.remove_prefix(5);
  const std::size_t hyphens = std::min(line.find_first_not_of('-'), line.size());
  if (hyphens < 5) return false;
  line.remove_prefix(hyphens);
  if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line.substr(0, 11) == "Recipe via ";
}

inline bool is_layout_word(std::string_view word) noexcept {
  for (std::string_view layout : kLayoutWords) {
    if (word == layout) return true;
  }
  return false;
}

}  // namespace nothing_lost

// The words of each recipe's text that its object lost, the first of each recipe as "recipe N
// lost "word"", into `lost`. False when the input is in UTF-16 or the JSON Lines hold other
// than one object per recipe framed here, so that nothing could be compared.
inline bool find_lost_words(std::string_view input, std::string_view json_lines,
                            std::vector<std::string>& lost) {
  // Words are looked for byte by byte: text in UTF-16 is not compared.
  if (input.find('\0') != std::string_view::npos || input.substr(0, 2) == "\xFF\xFE" ||
      input.substr(0, 2) == "\xFE\xFF")
    return false;
  // Lines as the reader makes them: a UTF-8 byte order mark is no text, CR LF and a lone CR end
  // a line as LF does, and a Ctrl-Z that is the input's last byte marks its end.
  if (input.substr(0, 3) == "\xEF\xBB\xBF") input.remove_prefix(3);
  if (!input.empty() && input.back() == '\x1A') input.remove_suffix(1);
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at <= input.size();) {
    const std::size_t end = std::min(input.find_first_of("\r\n", at), input.size());
    lines.push_back(input.substr(at, end - at));
    at = end + (input.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  const std::string_view marker = lines.front();
  const auto is_marker = [&](std::string_view line) {
    return line.size() >= marker.size() && line.substr(line.size() - marker.size()) == marker;
  };
  std::vector<std::string_view> objects;
  for (std::size_t at = 0; at < json_lines.size();) {
    const std::size_t end = std::min(json_lines.find('\n', at), json_lines.size());
    objects.push_back(json_lines.substr(at, end - at));
    at = end + 1;
  }
  if (marker.empty() || static_cast<std::size_t>(
                            std::count_if(lines.begin(), lines.end(), is_marker)) != objects.size())
    return false;
  std::size_t recipe = 0;
  std::vector<std::string> found, wanted;
  std::size_t after_marker = 0;  // lines of the recipe so far
  bool lost_one = false;         // of this recipe
  bool after_time_label = false;
  bool labelled = false;  // the file's layout
  for (std::string_view line : lines) {
    if (is_marker(line)) {
      found = nothing_lost::object_words(objects[recipe++]);
      after_marker = 0;
      lost_one = false;
      continue;
    }
    // As the framing decides: the line after the marker is its own, the next is the title line.
    // The first recipe's title line holding "Title:" makes the file labelled, and a labelled
    // title line's label is the framing's too: the title starts two characters after the first
    // colon among its first 100 ("Titel: Soup" gives "Soup").
    const bool first_line = ++after_marker == 1;
    // A title line that opens as a banner does ("-----", "MMMMM") is layout when a labelled
    // recipe framed from a junk first line starts again at its "Title:" line.
    bool banner_title = false;
    if (after_marker == 2) {
      const std::string_view title = nothing_lost::trim(line);
      banner_title = title.substr(0, 5) == "-----" || title.substr(0, 5) == "MMMMM";
      if (recipe == 1) labelled = line.find("Title:") != std::string_view::npos;
      if (const std::size_t colon = line.substr(0, 100).find(':');
          labelled && colon != std::string_view::npos)
        line.remove_prefix(std::min(colon + 2, line.size()));
    }
    // A label with nothing after it ("Recipe By     :") is the program's empty field; a time's
    // label may stand so, its value on the next line.
    const std::string_view trimmed = nothing_lost::trim(line);
    const bool empty_field =
        !trimmed.empty() && trimmed.back() == ':' && trimmed.find(':') == trimmed.size() - 1;
    const bool time = nothing_lost::labels_time(line) || after_time_label;
    after_time_label = empty_field && nothing_lost::labels_time(line);
    if (first_line || banner_title || lost_one || empty_field ||
        nothing_lost::is_default_count(line) || nothing_lost::is_banner(line))
      continue;
    // A time's label is layout, as the object holds the time as a duration: "T(Baking Time):",
    // or a field before the preparation time ("Serving Size :  Preparation Time : 0:45").
    const std::size_t colon = time ? line.find(':') : std::string_view::npos;
    wanted.clear();
    nothing_lost::add_words(colon == std::string_view::npos ? line : line.substr(colon + 1), wanted,
                            true);
    for (const std::string& word : wanted) {
      if (nothing_lost::is_layout_word(word) || (time && nothing_lost::is_time_word(word)) ||
          std::binary_search(found.begin(), found.end(), word))
        continue;
      lost.push_back("recipe " + std::to_string(recipe - 1) + " lost \"" + word + "\"");
      lost_one = true;
      break;
    }
  }
  return true;
}

// The first word of a recipe's text that its object lost, or an empty string.
inline std::string find_lost_word(std::string_view input, std::string_view json_lines) {
  std::vector<std::string> lost;
  find_lost_words(input, json_lines, lost);
  return lost.empty() ? std::string() : lost.front();
}

}  // namespace mirtabel::testing

#endif
