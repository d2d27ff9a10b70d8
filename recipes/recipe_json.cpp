#include "recipes/recipe_json.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "recipes/recipe_values.h"

namespace mirtabel {
namespace {

constexpr std::size_t kNoItem = StructuredRecipe::kNoItem;
constexpr std::size_t kUint64Digits = std::numeric_limits<std::uint64_t>::digits10 + 1;

// "PT1H30M" for 90 minutes (at least 1).
void write_duration(JsonWriter& json, std::int64_t minutes) noexcept {
  char text[2 + 2 * (kUint64Digits + 1)] = {'P', 'T'};
  std::size_t size = 2;
  const auto append = [&](std::uint64_t value, char unit) {
    char digits[kUint64Digits];
    std::size_t n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    while (n > 0)
      text[size++] = digits[--n];
    text[size++] = unit;
  };
  const auto whole = static_cast<std::uint64_t>(minutes);
  if (whole >= 60) append(whole / 60, 'H');
  if (whole % 60 != 0) append(whole % 60, 'M');
  json.string({text, size});
}

class RecipeJson {
 public:
  RecipeJson(JsonWriter& json, const StructuredRecipe& recipe) noexcept
      : json_(json), recipe_(recipe), choice_(recipe) {}

  void write() noexcept {
    json_.begin_object();
    text("@context", "https://schema.org");
    text("@type", "Recipe");
    text("name",
         recipe_.size() > 0 && recipe_.field(0) == RecipeField::kName ? recipe_.value(0) : "");
    if (const std::size_t author = chosen(RecipeField::kAuthor); author != kNoItem) {
      json_.key("author");
      typed_object("Person", "name", recipe_.value(author));
    }
    one_value("citation", RecipeField::kCitation);
    one_value("isBasedOn", RecipeField::kBasedOn);
    one_value("recipeYield", RecipeField::kYield);
    duration("prepTime", RecipeField::kPrepTime);
    duration("cookTime", RecipeField::kCookTime);
    duration("totalTime", RecipeField::kTotalTime);
    joined("recipeCategory", RecipeField::kCategory);
    list("recipeIngredient", RecipeField::kIngredient);
    instructions();
    one_value("description", RecipeField::kDescription);
    comments();
    if (const std::size_t nutrition = chosen(RecipeField::kNutrition); nutrition != kNoItem)
      nutrition_information(recipe_.value(nutrition));
    json_.end_object();
    json_.end_line();
  }

 private:
  std::size_t chosen(RecipeField field) const noexcept { return choice_.chosen(field); }

  void text(std::string_view key, std::string_view value) noexcept {
    json_.key(key);
    json_.string(value);
  }

  void typed_object(std::string_view type, std::string_view key, std::string_view value,
                    std::string_view name = {}) noexcept {
    json_.begin_object();
    text("@type", type);
    if (!name.empty()) text("name", name);
    text(key, value);
    json_.end_object();
  }

  void one_value(std::string_view key, RecipeField field) noexcept {
    if (chosen(field) != kNoItem) text(key, recipe_.value(chosen(field)));
  }

  void duration(std::string_view key, RecipeField field) noexcept {
    if (chosen(field) == kNoItem) return;
    json_.key(key);
    write_duration(json_, minutes_of(recipe_.value(chosen(field))));
  }

  // The non-empty values of `field`, as strings.
  void list(std::string_view key, RecipeField field) noexcept {
    array(
        key, [&](std::size_t i) { return recipe_.field(i) == field && !recipe_.value(i).empty(); },
        [&](std::size_t i) { json_.string(recipe_.value(i)); });
  }

  // The non-empty values of `field` as one text, separated by commas: schema.org and the
  // consumers of recipes take text for a field such as recipeCategory, not a list.
  void joined(std::string_view key, RecipeField field) noexcept {
    bool open = false;
    for (std::size_t i = 0; i < recipe_.size(); ++i) {
      if (recipe_.field(i) != field || recipe_.value(i).empty()) continue;
      if (open) {
        json_.string_piece(", ");
      } else {
        json_.key(key);
        json_.begin_string();
        open = true;
      }
      json_.string_piece(recipe_.value(i));
    }
    if (open) json_.end_string();
  }

  bool is_step(std::size_t item) const noexcept {
    return recipe_.field(item) == RecipeField::kStep && !recipe_.value(item).empty();
  }

  // The steps, each a HowToStep; a section with the steps after it, up to the next section, a
  // HowToSection. A section without steps is written as a step of its own.
  void instructions() noexcept {
    bool in_section = false;
    array(
        "recipeInstructions",
        [&](std::size_t i) {
          return is_step(i) ||
                 (recipe_.field(i) == RecipeField::kSection && !recipe_.value(i).empty());
        },
        [&](std::size_t i) {
          if (is_step(i)) {
            typed_object("HowToStep", "text", recipe_.value(i));
            return;
          }
          if (in_section) end_section(in_section);
          std::size_t next = i + 1;
          while (next < recipe_.size() && !is_step(next) &&
                 recipe_.field(next) != RecipeField::kSection)
            ++next;
          if (next == recipe_.size() || !is_step(next)) {
            typed_object("HowToStep", "text", recipe_.value(i));
            return;
          }
          json_.begin_object();
          text("@type", "HowToSection");
          text("name", recipe_.value(i));
          json_.key("itemListElement");
          json_.begin_array();
          in_section = true;
        },
        [&] { end_section(in_section); });
  }

  void end_section(bool& in_section) noexcept {
    if (!in_section) return;
    json_.end_array();
    json_.end_object();
    in_section = false;
  }

  // The analysis as written, and each nutrient it states as a property with its unit.
  void nutrition_information(std::string_view analysis) noexcept {
    json_.key("nutrition");
    json_.begin_object();
    text("@type", "NutritionInformation");
    text("description", analysis);
    std::string_view written[16];
    std::size_t count = 0;
    for_each_nutrient(analysis, [&](const Nutrient& nutrient) {
      for (std::size_t i = 0; i < count; ++i) {
        if (written[i] == nutrient.property) return;  // a property is written once
      }
      if (count < sizeof written / sizeof written[0]) written[count++] = nutrient.property;
      char value[64];
      if (nutrient.amount.size() + 1 + nutrient.unit.size() > sizeof value) return;
      std::size_t size = 0;
      for (std::string_view piece : {nutrient.amount, std::string_view(" "), nutrient.unit}) {
        for (char c : piece)
          value[size++] = c;
      }
      text(nutrient.property, {value, size});
    });
    json_.end_object();
  }

  void comments() noexcept {
    array(
        "comment", [&](std::size_t i) { return choice_.is_comment(i); },
        [&](std::size_t i) {
          typed_object("Comment", "text", recipe_.value(i), recipe_.label(i));
        });
  }

  // An array of the items that `include` picks, each written by `write`, and `finish` called
  // before it closes; none, no array.
  template <typename Include, typename Write, typename Finish>
  void array(std::string_view key, Include include, Write write, Finish finish) noexcept {
    bool open = false;
    for (std::size_t i = 0; i < recipe_.size(); ++i) {
      if (!include(i)) continue;
      if (!open) {
        json_.key(key);
        json_.begin_array();
        open = true;
      }
      write(i);
    }
    if (open) {
      finish();
      json_.end_array();
    }
  }
  template <typename Include, typename Write>
  void array(std::string_view key, Include include, Write write) noexcept {
    array(key, include, write, [] {});
  }

  JsonWriter& json_;
  const StructuredRecipe& recipe_;
  const FieldChoice choice_;
};

}  // namespace

void write_recipe_json(JsonWriter& json, const StructuredRecipe& recipe) noexcept {
  RecipeJson(json, recipe).write();
}

}  // namespace mirtabel
