#include "recipes/header_reading.h"

#include "recipes/directions_reading.h"
#include "recipes/recipe_text.h"
#include "recipes/recipe_values.h"

namespace mirtabel {

using namespace std::string_view_literals;  // a list of literals is a list of views, sized once
namespace {

using recipe_text::has_word;
using recipe_text::is_label;
using recipe_text::is_person_name;
using recipe_text::starts_with_word;
using recipe_text::trim;

constexpr std::string_view kRule = "--------";

// A book, magazine or paper rather than a person: a title in quotes, a year or issue number, or
// a word that names a publication.
bool names_a_publication(std::string_view text) noexcept {
  if (text.find_first_of("\"0123456789") != std::string_view::npos) return true;
  for (std::string_view word :
       {"cookbook"sv, "book"sv, "magazine"sv, "journal"sv, "times"sv, "gazette"sv, "digest"sv,
        "news"sv, "press"sv, "quarterly"sv, "monthly"sv, "weekly"sv, "edition"sv, "vol"sv,
        "newsletter"sv, "herald"sv, "tribune"sv}) {
    if (has_word(text, word)) return true;
  }
  return false;
}

// Where a credit goes: a web address is the recipe's source, an e-mail address is no name and
// stays a comment, a person's name is the author, and a book, magazine or any other source is
// cited.
RecipeField credit_field(std::string_view value) noexcept {
  if (recipe_text::has_web_address(value)) return RecipeField::kBasedOn;
  if (recipe_text::has_email_address(value)) return RecipeField::kComment;
  if (!names_a_publication(value) && is_person_name(value)) return RecipeField::kAuthor;
  return RecipeField::kCitation;
}

// A person's name beside an e-mail address: "Jane Doe <jdoe@example.com>",
// "jdoe@example.com (Jane Doe)". Gives the name and the address without its brackets.
bool splits_name_and_address(std::string_view text, std::string_view& name,
                             std::string_view& address) noexcept {
  const std::size_t at = text.find('@');
  if (at == std::string_view::npos || !recipe_text::has_email_address(text)) return false;
  std::size_t begin = text.find_last_of(" \t", at);
  begin = begin == std::string_view::npos ? 0 : begin + 1;
  std::size_t end = text.find_first_of(" \t", at);
  if (end == std::string_view::npos) end = text.size();
  address = text.substr(begin, end - begin);
  std::string_view before = trim(text.substr(0, begin));
  std::string_view after = trim(text.substr(end));
  while (!address.empty() && (address.front() == '<' || address.front() == '('))
    address.remove_prefix(1);
  while (!address.empty() && (address.back() == '>' || address.back() == ')' ||
                              address.back() == ',' || address.back() == '.'))
    address.remove_suffix(1);
  // The name stands on one side, perhaps in brackets or after a dash.
  name = !before.empty() ? before : after;
  if (!before.empty() && !after.empty()) return false;
  while (!name.empty() && (name.front() == '(' || name.front() == '-'))
    name = trim(name.substr(1));
  while (!name.empty() && (name.back() == ')' || name.back() == '-' || name.back() == ','))
    name = trim(name.substr(0, name.size() - 1));
  return !address.empty() && !name.empty() && is_person_name(name);
}

// Where the second of two labelled fields on one line starts: "Serving Size : 8   Preparation
// Time : 1:30"; npos when the line holds one.
std::size_t second_field(std::string_view text, std::string_view label) noexcept {
  if (label.empty()) return std::string_view::npos;
  // The label is a word of its own: "MPreparation Time" and "Preparation TimeTitle" are no
  // second field.
  std::size_t at = text.find(label);
  while (at != std::string_view::npos && at > 0 && !recipe_text::is_space(text[at - 1]))
    at = text.find(label, at + 1);
  recipe_text::Labelled first, second;
  if (at == std::string_view::npos || recipe_text::is_blank(text.substr(0, at)) ||
      !recipe_text::split_label(text.substr(0, at), first) ||
      !recipe_text::split_label(text.substr(at), second) || !is_label(second.label, label))
    return std::string_view::npos;
  return at;
}

// --- The rules, in the order they are tried. ----------------------------------------------

using State = HeaderReading::State;

// The header ends at the line holding the rule, as in the flat records, or at a blank line.
bool ends_header(const ReadLine& line, const LineBefore&, const State& state,
                 Finding& out) noexcept {
  if (state.layout->header_ends_at_rule ? line.text.find(kRule) == std::string_view::npos
                                        : !line.is_blank())
    return false;
  out = {Action::kEndHeader, RecipeField::kComment, {}, line.text};
  return true;
}

bool is_blank_line(const ReadLine& line, const LineBefore&, const State&, Finding&) noexcept {
  return line.is_blank();
}

// A label alone ("T(Preparation Time):") takes its value from the next line when that is a
// quoted value or starts with a digit ("\"0:40\""), not a field of its own.
bool is_value_after_label(const ReadLine& line, const LineBefore&, const State& state,
                          Finding& out) noexcept {
  if (!state.value_pending || !(line.first() == '"' || recipe_text::is_digit(line.first())))
    return false;
  out = {Action::kContinue, RecipeField::kComment, {}, recipe_text::without_quotes(line.trimmed)};
  return true;
}

// Indented lines under the categories list more of them.
bool continues_categories(const ReadLine& line, const LineBefore&, const State& state,
                          Finding& out) noexcept {
  if (!state.after_categories || !state.layout->categories_in_columns || line.indent == 0 ||
      line.text.find(':') != std::string_view::npos)
    return false;
  out = {Action::kCategories, RecipeField::kCategory, {}, line.trimmed};
  return true;
}

// "Amount  Measure       Ingredient -- Preparation Method" above the rule: layout, not text.
// Only the names themselves: a line that says more is text.
bool names_columns(const ReadLine& line, const LineBefore&, const State& state, Finding&) noexcept {
  if (!state.layout->header_ends_at_rule || !starts_with_word(line.trimmed, "Amount "))
    return false;
  for (std::string_view rest = line.trimmed; !rest.empty();) {
    const std::string_view word = recipe_text::next_word(rest);
    bool named = false;
    for (std::string_view name :
         {"Amount"sv, "Measure"sv, "Ingredient"sv, "--"sv, "Preparation"sv, "Method"sv})
      named = named || word == name;
    if (!named) return false;
  }
  return true;
}

// "Serving Size : 8   Preparation Time : 1:30" holds two fields.
bool holds_two_fields(const ReadLine& line, const LineBefore&, const State& state,
                      Finding& out) noexcept {
  if (second_field(line.text, state.layout->prep_time_label) == std::string_view::npos)
    return false;
  out = {Action::kTwoFields, RecipeField::kComment, {}, line.text};
  return true;
}

// The label of a field, when the line is "Label : value" and the label is `wanted`.
bool has_label(const ReadLine& line, std::string_view wanted,
               recipe_text::Labelled& field) noexcept {
  return !wanted.empty() && recipe_text::split_label(line.text, field) &&
         is_label(field.label, wanted);
}

bool is_categories(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  recipe_text::Labelled field;
  if (!has_label(line, "Categories", field)) return false;
  out = {Action::kCategories, RecipeField::kCategory, field.label, field.value};
  return true;
}

bool is_serving_count(const ReadLine& line, const LineBefore&, const State& state,
                      Finding& out) noexcept {
  recipe_text::Labelled field;
  for (std::string_view label : state.layout->serving_labels) {
    if (!has_label(line, label, field)) continue;
    out = {Action::kField, serving_count_field(field.value), field.label, field.value};
    return true;
  }
  return false;
}

bool is_credit(const ReadLine& line, const LineBefore&, const State& state, Finding& out) noexcept {
  recipe_text::Labelled field;
  if (!has_label(line, state.layout->credit_label, field)) return false;
  out = {Action::kCredit, RecipeField::kAuthor, field.label, field.value};
  return true;
}

bool is_prep_time(const ReadLine& line, const LineBefore&, const State& state,
                  Finding& out) noexcept {
  recipe_text::Labelled field;
  if (!has_label(line, state.layout->prep_time_label, field)) return false;
  out = {Action::kField, RecipeField::kPrepTime, field.label, field.value};
  return true;
}

// A label that the directions know too: "Yield: 2 loaves", "Cook Time: 0:40".
bool is_known_part(const ReadLine& line, const LineBefore&, const State& state,
                   Finding& out) noexcept {
  DirectionsReading::Part part;
  if (!state.layout->header_reads_parts ||
      !DirectionsReading::starts_labelled_part(line.trimmed, part) ||
      part.field == RecipeField::kComment)
    return false;
  out = {Action::kField, part.field, part.label, part.value};
  return true;
}

bool is_labelled_field(const ReadLine& line, const LineBefore&, const State&,
                       Finding& out) noexcept {
  recipe_text::Labelled field;
  if (!recipe_text::split_label(line.text, field)) return false;
  out = {Action::kField, RecipeField::kComment, field.label, field.value};
  return true;
}

// An archive whose first line is blank frames every recipe from an empty title line: the title
// is then the first line of the header that has no label.
bool is_title(const ReadLine& line, const LineBefore&, const State& state, Finding& out) noexcept {
  if (!state.title_missing) return false;
  out = {Action::kTitle, RecipeField::kName, {}, line.trimmed};
  return true;
}

// Text without a label is kept, as a step.
bool is_unlabelled(const ReadLine& line, const LineBefore&, const State&, Finding& out) noexcept {
  out = {Action::kStep, RecipeField::kStep, {}, line.trimmed};
  return true;
}

}  // namespace

const HeaderReading::Rule HeaderReading::kRules[] = {
    {"header end", ends_header},
    {"header blank", is_blank_line},
    {"value after label", is_value_after_label},
    {"more categories", continues_categories},
    {"column names", names_columns},
    {"two fields", holds_two_fields},
    {"categories", is_categories},
    {"serving count", is_serving_count},
    {"recipe by", is_credit},
    {"preparation time", is_prep_time},
    {"known part", is_known_part},
    {"labelled field", is_labelled_field},
    {"title", is_title},
    {"unlabelled", is_unlabelled},
};

void HeaderReading::start(const ReadingLayout& layout) noexcept {
  state_ = {};
  state_.layout = &layout;
  pending_ = StructuredRecipe::kNoItem;
  columns_ = layout.columns;
}

bool HeaderReading::read(std::string_view text) noexcept {
  const ReadLine line = ReadLine::of(text);
  state_.title_missing = recipe_.size() == 1 && recipe_.value(0).empty();
  Finding found;
  const Rule* rule = first_match(kRules, line, LineBefore(), state_, found);
  if (counts_ != nullptr) counts_->add(rule->name);
  state_.after_categories = found.action == Action::kCategories;
  if (found.action != Action::kContinue) pending_ = StructuredRecipe::kNoItem;
  apply(found);
  state_.value_pending = pending_ != StructuredRecipe::kNoItem;
  return found.action == Action::kEndHeader;
}

// The one place where a line of the header changes the recipe.
void HeaderReading::apply(const Finding& found) noexcept {
  switch (found.action) {
    case Action::kEndHeader: {
      if (!state_.layout->header_ends_at_rule) return;
      read_rule(found.value);
      // Text run on beside the rule ("------  ------350F for 1 hour.") is kept, as a step.
      const std::size_t begin = found.value.find_first_not_of("- \t");
      if (begin != std::string_view::npos) {
        const std::size_t end = found.value.find_last_not_of("- \t");
        recipe_.add_words(RecipeField::kStep, {}, found.value.substr(begin, end + 1 - begin));
      }
      return;
    }
    case Action::kCategories:
      return add_categories(found.value);
    case Action::kTwoFields: {
      const std::size_t at = second_field(found.value, state_.layout->prep_time_label);
      add_field(found.value.substr(0, at));
      return add_field(found.value.substr(at));
    }
    case Action::kField: {
      // A program's field quotes its value: the quotes are not text.
      const std::string_view value = recipe_text::without_quotes(found.value);
      const std::size_t item = recipe_.add(found.field, found.label, value);
      if (value.empty() && !found.label.empty()) pending_ = item;
      return;
    }
    case Action::kContinue:
      recipe_.extend(pending_, found.value);
      pending_ = StructuredRecipe::kNoItem;
      return;
    case Action::kCredit:
      return add_credit(found.label, found.value);
    case Action::kTitle:
      return recipe_.extend_words(0, found.value);
    case Action::kStep:
      recipe_.add_words(RecipeField::kStep, {}, found.value);
      return;
    default:
      return;
  }
}

// One of two fields on a line, read by the same rules.
void HeaderReading::add_field(std::string_view text) noexcept {
  Finding found;
  first_match(kRules, ReadLine::of(text), LineBefore(), state_, found);
  if (found.action != Action::kTwoFields) apply(found);
}

void HeaderReading::add_categories(std::string_view list) noexcept {
  // "Categories: None" is what the program writes for a recipe in none.
  if (is_label(trim(list), "None")) return;
  // Columns two spaces or a tab apart; or commas.
  while (!list.empty()) {
    std::size_t end = list.find(',');
    if (state_.layout->categories_in_columns) {
      end = list.find("  ");
      const std::size_t tab = list.find('\t');
      if (tab < end) end = tab;
    }
    const std::string_view name = trim(list.substr(0, end));
    if (!name.empty()) recipe_.add(RecipeField::kCategory, {}, name);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
  }
}

// "Recipe By": a person, a book or an address; a name beside an address is the author.
void HeaderReading::add_credit(std::string_view label, std::string_view value) noexcept {
  std::string_view name, address;
  if (splits_name_and_address(value, name, address)) {
    recipe_.add(RecipeField::kAuthor, label, name);
    recipe_.add(RecipeField::kComment, label, address);
    return;
  }
  recipe_.add(credit_field(value), label, value);
}

// The rule's first three runs of hyphens, as the amount, measure and ingredient columns.
void HeaderReading::read_rule(std::string_view text) noexcept {
  std::size_t bounds[6];
  std::size_t found = 0;
  std::size_t column = 0;
  bool in_run = false;
  for (std::size_t at = 0; at < text.size() && found < 6; ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    const bool hyphen = text[at] == '-';
    if (hyphen != in_run) bounds[found++] = column;
    in_run = hyphen;
    ++column;
  }
  if (found == 5) bounds[found++] = column;  // the ingredient run reaches the line's end
  if (found < 5) return;                     // fewer than three runs: no columns
  columns_ = {bounds[1], bounds[2], bounds[3], bounds[4]};
}

}  // namespace mirtabel
