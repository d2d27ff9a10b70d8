#include "recipes/recipe_values.h"

#include "recipes/recipe_text.h"

namespace mirtabel {

using namespace std::string_view_literals;  // a list of literals is a list of views, sized once
namespace {

using recipe_text::next_word;
using recipe_text::trim;

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// Whether `text` is `word`, ignoring the case of ASCII letters.
bool is_word(std::string_view text, std::string_view word) noexcept {
  return text.size() == word.size() && recipe_text::starts_with_word(text, word);
}

// No sum or product below passes 10^13, far inside 64 bits on every target: the numbers read
// have at most six digits, and an amount is held against the longest time before it is
// multiplied by its unit.

// Minutes in an H:MM time, or -1 when the text is not one.
std::int64_t clock_minutes(std::string_view text) noexcept {
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon > 4 || text.size() != colon + 3) return -1;
  std::int64_t hours = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == colon) continue;
    if (!is_digit(text[i])) return -1;
    if (i < colon) hours = hours * 10 + (text[i] - '0');
  }
  return hours * 60 + (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
}

// A whole number of at most six digits, or -1.
std::int64_t number_of(std::string_view word) noexcept {
  if (word.empty() || word.size() > 6) return -1;
  std::int64_t value = 0;
  for (char c : word) {
    if (!is_digit(c)) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// An amount of time units, numerator / denominator (at most 10^12 / 10^6).
struct Amount {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
};

// An amount "1", "1/2" or "1.5"; false when the word is none.
bool amount_of(std::string_view word, Amount& amount) noexcept {
  const std::size_t mark = word.find_first_of("/.");
  if (mark == std::string_view::npos) {
    amount = {number_of(word), 1};
    return amount.numerator >= 0;
  }
  const std::int64_t whole = number_of(word.substr(0, mark));
  const std::string_view rest = word.substr(mark + 1);
  const std::int64_t part = number_of(rest);
  if (whole < 0 || part < 0) return false;
  if (word[mark] == '/') {
    amount = {whole, part};
  } else {
    amount.denominator = 1;
    for (std::size_t i = 0; i < rest.size(); ++i)
      amount.denominator *= 10;
    amount.numerator = whole * amount.denominator + part;
  }
  return amount.denominator > 0;
}

bool is_whole(std::string_view word) noexcept {
  return word.find_first_of("/.") == std::string_view::npos;
}

// Minutes in one unit of time, or 0 when the word names none.
std::int64_t unit_minutes(std::string_view word) noexcept {
  if (!word.empty() && (word.back() == '.' || word.back() == ',')) word.remove_suffix(1);
  for (std::string_view hours : {"hours"sv, "hour"sv, "hrs"sv, "hr"sv, "h"sv}) {
    if (is_word(word, hours)) return 60;
  }
  for (std::string_view minutes : {"minutes"sv, "minute"sv, "mins"sv, "min"sv, "m"sv}) {
    if (is_word(word, minutes)) return 1;
  }
  return 0;
}

// "8 hours 30 minutes", "1 1/2 hours", "2 hrs and 15 min": amounts each followed by its unit,
// each rounded to the nearest minute; -1 for any other text, or for more than the longest time.
std::int64_t worded_minutes(std::string_view text) noexcept {
  std::int64_t total = 0;
  bool any = false;
  while (!text.empty()) {
    std::string_view word = next_word(text);
    if (any && (is_word(word, "and") || word == ",")) word = next_word(text);
    Amount amount;
    if (!amount_of(word, amount)) return -1;
    std::string_view unit = next_word(text);
    Amount fraction;
    if (is_whole(word) && unit.find('/') != std::string_view::npos && amount_of(unit, fraction)) {
      // "1 1/2": a whole number and a fraction.
      amount = {amount.numerator * fraction.denominator + fraction.numerator, fraction.denominator};
      unit = next_word(text);
    }
    const std::int64_t minutes = unit_minutes(unit);
    if (minutes == 0 || amount.numerator > amount.denominator * kLongestTimeMinutes) return -1;
    total += (amount.numerator * minutes + amount.denominator / 2) / amount.denominator;
    if (total > kLongestTimeMinutes) return -1;
    any = true;
  }
  return any ? total : -1;
}

struct NutrientName {
  std::string_view name;
  std::string_view property;
};

// A name that starts another comes after it.
constexpr NutrientName kNutrients[] = {
    {"calories", "calories"},
    {"calorie", "calories"},
    {"cal", "calories"},
    {"kcal", "calories"},
    {"fat", "fatContent"},
    {"total fat", "fatContent"},
    {"saturated fat", "saturatedFatContent"},
    {"sat fat", "saturatedFatContent"},
    {"sat. fat", "saturatedFatContent"},
    {"cholesterol", "cholesterolContent"},
    {"sodium", "sodiumContent"},
    {"carbohydrates", "carbohydrateContent"},
    {"carbohydrate", "carbohydrateContent"},
    {"carbs", "carbohydrateContent"},
    {"dietary fiber", "fiberContent"},
    {"fiber", "fiberContent"},
    {"fibre", "fiberContent"},
    {"sugars", "sugarContent"},
    {"sugar", "sugarContent"},
    {"protein", "proteinContent"},
};

bool is_time(RecipeField field) noexcept {
  return field == RecipeField::kPrepTime || field == RecipeField::kCookTime ||
         field == RecipeField::kTotalTime;
}

}  // namespace

bool is_default_count(std::string_view value) noexcept {
  value = trim(value);
  if (value.empty() || (value[0] != '0' && value[0] != '1')) return false;
  const std::string_view unit = trim(value.substr(1));
  return unit.empty() || is_word(unit, "serving") || is_word(unit, "servings");
}

RecipeField serving_count_field(std::string_view value) noexcept {
  return is_default_count(value) ? RecipeField::kDefaultYield : RecipeField::kYield;
}

bool takes_one_value(RecipeField field) noexcept {
  return field == RecipeField::kAuthor || field == RecipeField::kCitation ||
         field == RecipeField::kBasedOn || field == RecipeField::kYield || is_time(field) ||
         field == RecipeField::kDescription || field == RecipeField::kNutrition;
}

FieldChoice::FieldChoice(const StructuredRecipe& recipe) noexcept : recipe_(recipe) {
  for (std::size_t& item : chosen_)
    item = StructuredRecipe::kNoItem;
  for (std::size_t i = 0; i < recipe.size(); ++i) {
    const RecipeField field = recipe.field(i);
    if (!takes_one_value(field) || chosen(field) != StructuredRecipe::kNoItem) continue;
    const std::string_view value = recipe.value(i);
    if (is_time(field) ? minutes_of(value) > 0 : !value.empty())
      chosen_[static_cast<std::size_t>(field)] = i;
  }
  std::size_t& yield = chosen_[static_cast<std::size_t>(RecipeField::kYield)];
  if (yield != StructuredRecipe::kNoItem ||
      chosen(RecipeField::kNutrition) == StructuredRecipe::kNoItem)
    return;
  for (std::size_t i = 0; i < recipe.size() && yield == StructuredRecipe::kNoItem; ++i) {
    if (recipe.field(i) == RecipeField::kDefaultYield && trim(recipe.value(i))[0] == '1') yield = i;
  }
}

bool FieldChoice::is_comment(std::size_t item) const noexcept {
  const RecipeField field = recipe_.field(item);
  const std::string_view value = recipe_.value(item);
  if (field == RecipeField::kComment) return !value.empty();
  if (!takes_one_value(field) || chosen(field) == item || value.empty()) return false;
  return !(is_time(field) && minutes_of(value) == 0);
}

std::int64_t minutes_of(std::string_view text) noexcept {
  text = trim(text);
  const std::int64_t clock = clock_minutes(text);
  if (clock > kLongestTimeMinutes) return -1;
  return clock >= 0 ? clock : worded_minutes(text);
}

namespace nutrition {

std::string_view next_part(std::string_view& text) noexcept {
  std::size_t end = recipe_text::find_any(text, ";,");
  // A comma inside a number ("1,200 mg") does not end a part.
  while (end != std::string_view::npos && text[end] == ',' && end > 0 && is_digit(text[end - 1]) &&
         end + 1 < text.size() && is_digit(text[end + 1]))
    end = recipe_text::find_any(text, ";,", end + 1);
  const std::string_view part = trim(text.substr(0, end));
  text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  return part;
}

// The known nutrient whose name starts `text` as whole words ("Fat (29% ...)", "Sodium.
// Exchanges ..."), with `text` advanced past it; nullptr when none does.
const NutrientName* take_name(std::string_view& text) noexcept {
  for (const NutrientName& known : kNutrients) {
    const std::size_t size = known.name.size();
    if (!recipe_text::starts_with_word(text, known.name)) continue;
    if (size < text.size() && ((text[size] | 0x20) >= 'a' && (text[size] | 0x20) <= 'z'))
      continue;  // "cal" in "calcium"
    text = trim(text.substr(size));
    return &known;
  }
  return nullptr;
}

// An amount ("7", "1.5") and its unit ("g", "mg", or none) at the start of `text`, advanced
// past them; false when no amount is there.
bool take_amount(std::string_view& text, Nutrient& out) noexcept {
  std::size_t digits = 0;
  while (digits < text.size() &&
         (is_digit(text[digits]) || text[digits] == '.' ||
          (text[digits] == ',' && digits + 1 < text.size() && is_digit(text[digits + 1]))))
    ++digits;
  if (digits == 0 || !is_digit(text[0])) return false;
  out.amount = text.substr(0, digits);
  text = trim(text.substr(digits));
  out.unit = {};
  for (std::string_view unit : {"mg"sv, "g"sv}) {
    if (!recipe_text::starts_with_word(text, unit)) continue;
    if (unit.size() < text.size() &&
        ((text[unit.size()] | 0x20) >= 'a' && (text[unit.size()] | 0x20) <= 'z'))
      continue;  // a word such as "grams" or "Fat" after "7g "
    out.unit = text.substr(0, unit.size());
    text = trim(text.substr(unit.size()));
    break;
  }
  return true;
}

// "7g Fat (29.1% calories from fat)", "10 mg Sodium", "215 Calories", and the name first:
// "Calories 90", "Fat: 2g".
bool read(std::string_view part, Nutrient& out) noexcept {
  const NutrientName* known = nullptr;
  if (take_amount(part, out)) {
    known = take_name(part);
  } else if ((known = take_name(part)) != nullptr) {
    if (!part.empty() && part.front() == ':') part = trim(part.substr(1));
    if (!take_amount(part, out)) return false;
  }
  if (known == nullptr) return false;
  out.property = known->property;
  if (out.property == "calories") {
    out.unit = "calories";
  } else if (out.unit.empty()) {
    return false;  // a mass without its unit says too little
  }
  return true;
}

}  // namespace nutrition
}  // namespace mirtabel
