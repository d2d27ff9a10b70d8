#include "recipes/ingredient_reading.h"

#include "recipes/recipe_text.h"

namespace mirtabel {

using namespace std::string_view_literals;  // a list of literals is a list of views, sized once
namespace {

using recipe_text::columns;
using recipe_text::is_blank;
using recipe_text::is_digit;
using recipe_text::trim;

// Where the second of two entries side by side may start: around the middle of the line.
constexpr std::size_t kSecondColumnFirst = 30;
constexpr std::size_t kSecondColumnLast = 50;

bool is_letters(std::string_view unit) noexcept {
  for (char c : unit) {
    if (!recipe_text::is_letter(c)) return false;
  }
  return true;
}

// An entry cut at the columns, relative to its own start; the columns' byte offsets are found
// in one walk over the entry, as every row of every block is cut so.
IngredientReading::Entry entry_of(std::string_view entry, const IngredientColumns& at,
                                  bool unit_is_letters) noexcept {
  const std::size_t wanted[4] = {at.amount_end, at.unit_begin, at.unit_end, at.text_begin};
  std::size_t offset[4] = {entry.size(), entry.size(), entry.size(), entry.size()};
  std::size_t next = 0, column = 0;
  for (std::size_t byte = 0; byte < entry.size() && next < 4; ++byte) {
    if ((static_cast<unsigned char>(entry[byte]) & 0xC0) == 0x80) continue;  // not a lead byte
    while (next < 4 && wanted[next] == column)
      offset[next++] = byte;
    ++column;
  }
  const auto cut = [&](std::size_t from, std::size_t to) { return entry.substr(from, to - from); };
  IngredientReading::Entry out;
  out.amount = trim(cut(0, offset[0]));
  out.unit = trim(cut(offset[1], offset[2]));
  out.text = trim(entry.substr(offset[3]));
  out.fits = is_blank(cut(offset[0], offset[1])) && is_blank(cut(offset[2], offset[3])) &&
             (out.amount.empty() || recipe_text::is_amount(out.amount)) &&
             (!unit_is_letters || is_letters(out.unit));
  return out;
}

// --- The rules of a row, in the order they are tried. -------------------------------------

using State = IngredientReading::State;

// A blank line ends the block, unless no row came yet: some exports leave more than one blank
// line between the header and the block.
bool ends_block(const ReadLine& line, const LineBefore&, const State& state,
                Finding& out) noexcept {
  if (!line.is_blank()) return false;
  out.action = state.block_empty ? Action::kPass : Action::kEndBlock;
  return true;
}

// A mark in the margin before the amounts of an indented block continues the row above:
// "  :     2    inch chunks".
bool is_margin_mark(const ReadLine& line, const LineBefore&, const State& state,
                    Finding& out) noexcept {
  if (state.indent == 0 || !state.has_above[0] || line.indent >= state.indent + 7 ||
      !recipe_text::is_continuation_mark(line.first()) ||
      !is_blank(columns(line.text, 0, state.indent)))
    return false;
  out = {Action::kContinue, RecipeField::kIngredient, {}, recipe_text::without_marks(line.trimmed)};
  return true;
}

// A placeholder ("***** NONE *****") or a rule of hyphens carries no text.
bool is_layout(const ReadLine& line, const LineBefore&, const State&, Finding&) noexcept {
  return recipe_text::is_placeholder(line.trimmed) || recipe_text::is_hyphen_rule(line.trimmed);
}

// "-----FOR THE SAUCE-----", "MMMMM---SAUCE---", "***FILLING***": a heading of the rows after
// it.
bool is_decorated_heading(const ReadLine& line, const LineBefore&, const State&,
                          Finding& out) noexcept {
  if (!recipe_text::is_decorated_heading(line.trimmed, out.value)) return false;
  out.value = recipe_text::without_colon(out.value);
  out.action = Action::kHeading;
  return true;
}

// Whether `word` is a member's handle beside a name, letters and digits: "VGHC42A",
// "(DXDG05A)", "Shaughnessy-XSPC52B".
bool is_handle(std::string_view word) noexcept {
  bool digit = false, letter = false;
  for (char c : word) {
    digit = digit || is_digit(c);
    letter = letter || recipe_text::is_letter(c);
  }
  return digit && letter && word.size() >= 5;
}

bool is_separator(std::string_view word) noexcept {
  return word == "**" || word == "-" || word == "--";
}

bool is_title_case(std::string_view word) noexcept {
  if (word.size() < 2 || !recipe_text::is_upper(word[0])) return false;
  for (char c : word.substr(1)) {
    if (!recipe_text::is_lower(c)) return false;
  }
  return true;
}

// Who posted the recipe, on the block's first row: "-Waldine Van Geffen VGHC42A", "-Jane Harris
// (DXDG05A)", "DIANA LEWIS VGWN37A", "Jim Vorheis", "From: PJXG05A", "Typed by Ann Lee". A
// name stands marked, or beside a handle, or as a first and a last name.
bool names_poster(std::string_view row) noexcept {
  const bool marked = row.front() == '-';
  std::string_view words = recipe_text::without_marks(row);
  for (std::string_view credit :
       {"From:"sv, "From "sv, "Typed by"sv, "Formatted by"sv, "Posted by"sv}) {
    if (recipe_text::starts_with_word(words, credit)) return true;
  }
  std::size_t names = 0, title_case = 0;
  bool handle = false;
  for (std::string_view rest = words; !rest.empty();) {
    std::string_view word = recipe_text::next_word(rest);
    if (is_separator(word)) continue;
    if (is_handle(word)) {
      handle = true;
      continue;
    }
    while (!word.empty() && (word.back() == ',' || word.back() == ':' || word.back() == '-'))
      word.remove_suffix(1);
    if (word.empty() || !recipe_text::is_person_name(word)) return false;
    ++names;
    title_case += is_title_case(word);
  }
  if (names == 0 || handle) return names <= 4;
  // "Basic Cake:", "-Asparagus Mayonnaise:" head rows, "-BUTTERCREAM" is one of them.
  return names <= 4 && row.back() != ':' &&
         ((marked && names >= 2) || (names == 2 && title_case == 2));
}

// Words ending in a colon where the ingredient stands, no amount before them: "For the sauce:".
bool is_colon_heading(const ReadLine& line, const LineBefore&, const State& state,
                      Finding& out) noexcept {
  const IngredientReading::Entry& row = state.entry;
  if (line.trimmed.back() != ':' || !row.fits || !row.amount.empty()) return false;
  // A marked row that goes on in lower case, or after a row that stops where an ingredient
  // cannot end, continues it: "Into a large bowl, sift" / "-together:"; "-Cake:" heads rows.
  const std::string_view words = recipe_text::without_marks(row.text);
  const std::size_t letter = words.find_first_not_of("([\"' ");
  if (recipe_text::starts_continuation(row.text) && state.has_above[0] &&
      letter != std::string_view::npos &&
      (recipe_text::is_lower(words[letter]) || recipe_text::ends_unfinished(state.above[0], words)))
    return false;
  out = {Action::kHeading, RecipeField::kIngredientHeading, row.unit, words};
  return true;
}

// A poster's name heading the block is a credit, not an ingredient. A marked row under it
// carries it on ("-From the Kitchen of" / "-Ann & Bo Lee"), but for a heading ("-CRUST:").
bool is_poster(const ReadLine& line, const LineBefore&, const State& state, Finding& out) noexcept {
  if (state.after_poster && recipe_text::starts_continuation(line.trimmed) &&
      line.trimmed.back() != ':') {
    out = {Action::kContinue, RecipeField::kComment, {}, recipe_text::without_marks(line.trimmed)};
    return true;
  }
  if (!state.block_empty || !state.entry.amount.empty() || !names_poster(line.trimmed))
    return false;
  out = {Action::kField, RecipeField::kComment, {}, line.trimmed};
  return true;
}

// A row that does not stand in the columns is kept whole; after a second blank line before the
// block, such text is no block at all but the directions.
bool is_out_of_columns(const ReadLine& line, const LineBefore&, const State& state,
                       Finding& out) noexcept {
  if (state.entry.fits) return false;
  out = {state.blank_before && state.block_empty ? Action::kDirections : Action::kIngredient,
         RecipeField::kIngredient,
         {},
         line.trimmed};
  return true;
}

bool holds_entries(const ReadLine&, const LineBefore&, const State&, Finding& out) noexcept {
  out.action = Action::kEntries;
  return true;
}

// --- The rules of an entry. ----------------------------------------------------------------

// An entry with neither amount nor unit continues the ingredient above it in the same column
// when the two say so: it opens with a continuation mark (";inch thick", "-- beaten", ":cut
// into") or a bracket ("(optional)"), or the one above stops where an ingredient cannot end
// ("1/2 lb shrimp, lightly" / "cooked and peeled"). An entry that names an ingredient of its own
// ("salt and pepper -- to taste") stays one, however long the one above.
bool continues_above(const ReadLine&, const LineBefore&, const State& state,
                     Finding& out) noexcept {
  const IngredientReading::Entry& entry = state.entry;
  if (!entry.amount.empty() || !entry.unit.empty() || entry.text.empty() ||
      !state.has_above[state.side] ||
      !(recipe_text::starts_continuation(entry.text) ||
        recipe_text::starts_with_joining_word(entry.text) ||
        recipe_text::ends_unfinished(state.above[state.side], entry.text)))
    return false;
  // Under a heading only a marked row in lower case or in brackets goes on with its words: a
  // marked row in capitals is the first ingredient of the part ("GARNISH:" / "-Whipped cream").
  const std::string_view words = recipe_text::without_marks(entry.text);
  if (state.above_is_heading && (!recipe_text::starts_continuation(entry.text) || words.empty() ||
                                 !(recipe_text::is_lower(words.front()) || words.front() == '(')))
    return false;
  out = {Action::kContinue,
         RecipeField::kIngredient,
         {},
         state.layout->continuation_marks_are_layout ? recipe_text::without_marks(entry.text)
                                                     : entry.text};
  return true;
}

bool is_empty_entry(const ReadLine&, const LineBefore&, const State& state, Finding&) noexcept {
  return state.entry.amount.empty() && state.entry.unit.empty() && state.entry.text.empty();
}

// Amount, unit and text joined by single spaces.
bool is_ingredient(const ReadLine&, const LineBefore&, const State&, Finding& out) noexcept {
  out.action = Action::kIngredient;
  return true;
}

}  // namespace

const IngredientReading::Rule IngredientReading::kRules[] = {
    {"block end", ends_block},
    {"margin mark", is_margin_mark},
    {"placeholder", is_layout},
    {"decorated heading", is_decorated_heading},
    {"poster", is_poster},
    {"colon heading", is_colon_heading},
    {"out of columns", is_out_of_columns},
    {"entries", holds_entries},
};

const IngredientReading::Rule IngredientReading::kEntryRules[] = {
    {"continuation", continues_above},
    {"empty entry", is_empty_entry},
    {"ingredient", is_ingredient},
};

void IngredientReading::start(const ReadingLayout& layout,
                              const IngredientColumns& columns) noexcept {
  state_ = {};
  state_.layout = &layout;
  state_.columns = columns;
  indent_known_ = false;
  second_column_ = 0;
  last_[0] = last_[1] = poster_ = StructuredRecipe::kNoItem;
}

IngredientReading::Outcome IngredientReading::read(std::string_view text) noexcept {
  const ReadLine line = ReadLine::of(text);
  if (!line.is_blank()) learn_indent(text);
  // The row without the margin of a block indented as a whole.
  std::string_view row = text;
  if (state_.indent > 0 && is_blank(columns(text, 0, state_.indent)))
    row = columns(text, state_.indent);
  state_.second = line.is_blank() ? 0 : second_column(row);
  state_.entry = entry_of(state_.second != 0 ? columns(row, 0, state_.second) : row, state_.columns,
                          state_.layout->unit_is_letters);
  for (std::size_t side = 0; side < 2; ++side) {
    state_.has_above[side] = last_[side] != StructuredRecipe::kNoItem;
    state_.above[side] = state_.has_above[side] ? recipe_.value(last_[side]) : std::string_view();
  }
  Finding found;
  const Rule* rule = first_match(kRules, line, LineBefore(), state_, found);
  if (counts_ != nullptr) counts_->add(rule->name);
  if (found.action == Action::kEndBlock) return Outcome::kEnded;
  if (found.action == Action::kDirections) return Outcome::kDirections;
  if (line.is_blank()) {
    state_.blank_before = true;
    return Outcome::kRead;
  }
  state_.after_poster = found.action == Action::kField ||
                        (found.action == Action::kContinue && found.field == RecipeField::kComment);
  apply(found, row);
  state_.block_empty = false;
  return Outcome::kRead;
}

bool IngredientReading::heads_more(std::string_view text) const noexcept {
  const std::string_view trimmed = trim(text);
  std::string_view name;
  if (recipe_text::is_placeholder(trimmed)) return false;
  if (recipe_text::is_decorated_heading(trimmed, name)) return true;
  return state_.layout->header_ends_at_rule && trimmed.back() == ':' &&
         is_blank(columns(text, 0, state_.columns.text_begin));
}

// The one place where a row of the block changes the recipe.
void IngredientReading::apply(const Finding& found, std::string_view row) noexcept {
  switch (found.action) {
    case Action::kHeading: {
      // A colon heading's words may reach back into the unit's column: "For the sauce:".
      const std::size_t heading = recipe_.add_words(
          RecipeField::kIngredientHeading, {},
          found.value.empty() ? recipe_text::without_colon(found.label) : found.label);
      recipe_.extend_words(heading, recipe_text::without_colon(found.value));
      // The first heading that names a loaf size states the yield: "-----1 1/2 LB LOAF-----".
      if (recipe_text::is_loaf_size(found.value) && !recipe_.has(RecipeField::kYield))
        recipe_.add(RecipeField::kYield, {}, found.value);
      // A continuation row right under the heading carries its words on: "-----OTHER
      // INGREDIENTS TO FORM-----" / "-your own combinations".
      last_[1] = StructuredRecipe::kNoItem;
      set_above(0, heading);
      state_.above_is_heading = true;
      return;
    }
    case Action::kField:
      poster_ = recipe_.add_words(found.field, found.label, found.value);
      return;
    case Action::kContinue:
      return recipe_.extend_words(found.field == RecipeField::kComment ? poster_ : last_[0],
                                  found.value);
    case Action::kIngredient:
      return set_above(0, recipe_.add_words(RecipeField::kIngredient, {}, found.value));
    case Action::kEntries:
      read_entry(state_.second != 0 ? columns(row, 0, state_.second) : row, 0);
      if (state_.second != 0) read_entry(columns(row, state_.second), 1);
      return;
    default:
      return;
  }
}

void IngredientReading::read_entry(std::string_view entry, std::size_t side) noexcept {
  state_.side = side;
  // The left entry was cut already, for the rules of the row.
  if (side != 0) state_.entry = entry_of(entry, state_.columns, state_.layout->unit_is_letters);
  Finding found;
  const Rule* rule = first_match(kEntryRules, ReadLine::of(entry), LineBefore(), state_, found);
  if (counts_ != nullptr) counts_->add(rule->name);
  if (found.action == Action::kContinue) return recipe_.extend_words(last_[side], found.value);
  if (found.action != Action::kIngredient) return;
  const std::size_t item = recipe_.add_words(RecipeField::kIngredient, {}, state_.entry.amount);
  recipe_.extend_words(item, state_.entry.unit);
  recipe_.extend_words(item, state_.entry.text);
  set_above(side, item);
}

void IngredientReading::set_above(std::size_t side, std::size_t item) noexcept {
  last_[side] = item;
  if (side == 0) state_.above_is_heading = false;
}

// Where the block's amounts end, when they stand further right than the layout's columns:
// some exports indent the whole block ("        2 lb lamb"). The first row that starts with an
// amount shows it, by where the amount ends.
void IngredientReading::learn_indent(std::string_view text) noexcept {
  if (indent_known_ || state_.layout->columns.text_begin == 0) return;
  const std::size_t first = recipe_text::indent(text);
  if (first >= text.size() || !is_digit(text[first])) return;
  indent_known_ = true;
  std::size_t end = first;
  while (end < text.size() && (recipe_text::is_amount(text.substr(end, 1))))
    ++end;
  while (end > first && recipe_text::is_space(text[end - 1]))
    --end;
  const std::size_t amount_end = recipe_text::chars_of(text.substr(0, end));
  const std::size_t layout_end = state_.columns.amount_end;
  if (amount_end > layout_end && amount_end <= layout_end + 4)
    state_.indent = amount_end - layout_end;
}

// Where the second entry of the row starts, or 0 when the row holds one. The block's rows line
// up: the first row that shows two entries fixes the column for the rest. A second entry shows
// where a right-aligned amount ends one column before the unit, after a space.
std::size_t IngredientReading::second_column(std::string_view text) noexcept {
  if (!state_.layout->two_entries_per_row) return 0;
  const IngredientColumns& at = state_.columns;
  // Where the row is ASCII, as most rows are, a column is a byte.
  const bool ascii = recipe_text::is_ascii(text);
  const auto cut = [&](std::size_t first, std::size_t last) {
    if (!ascii) return columns(text, first, last);
    const std::size_t begin = first < text.size() ? first : text.size();
    return text.substr(begin, (last < text.size() ? last : text.size()) - begin);
  };
  const auto holds_two = [&](std::size_t column) {
    const std::string_view right_part = cut(column, std::string_view::npos);
    if (right_part.empty() || !is_blank(cut(column - 1, column))) return false;
    const Entry right = entry_of(right_part, at, true);
    return right.fits && !right.text.empty() && entry_of(cut(0, column), at, true).fits;
  };
  if (second_column_ != 0) return holds_two(second_column_) ? second_column_ : 0;
  // A row of fewer bytes has fewer characters than the first place of a second amount's end:
  // most rows are so short, and are turned away before the search.
  if (text.size() < kSecondColumnFirst + at.amount_end) return 0;
  for (std::size_t column = kSecondColumnFirst; column <= kSecondColumnLast; ++column) {
    const std::size_t end = column + at.amount_end - 1;
    const std::string_view amount_end = cut(end, end + 1);
    if (amount_end.empty() || !is_digit(amount_end[0]) || !holds_two(column)) continue;
    second_column_ = column;
    return column;
  }
  return 0;
}

}  // namespace mirtabel
