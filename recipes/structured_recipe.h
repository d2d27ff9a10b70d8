// One recipe split into its fields: a list of items (an ingredient, a step, the author...), each
// a label and a value of UTF-8 text, held in stores the caller provides, so that the memory a
// recipe may take is fixed before the conversion starts. What does not fit is not kept, and the
// recipe is marked as cut.
#ifndef MIRTABEL_RECIPES_STRUCTURED_RECIPE_H
#define MIRTABEL_RECIPES_STRUCTURED_RECIPE_H

#include <cstddef>
#include <string_view>

namespace mirtabel {

enum class RecipeField : unsigned char {
  kName,
  kAuthor,    // a person's name
  kCitation,  // a book or magazine the recipe comes from
  kBasedOn,   // a web address it comes from
  kYield,
  kPrepTime,  // times as written: H:MM or words such as "1 1/2 hours"
  kCookTime,
  kTotalTime,
  kCategory,
  kIngredient,
  kSection,  // a heading in the directions: the steps after it, up to the next one, are its own
  kStep,
  kDescription,
  kComment,
  kNutrition,          // the analysis as written
  kIngredientHeading,  // a heading of the ingredients after it, up to the next one
  kDefaultYield,       // the header's serving count when it is the program's default, 0 or 1
};
inline constexpr std::size_t kRecipeFieldCount = 17;

struct RecipeItem {
  RecipeField field;
  std::size_t begin;       // of the label in the text store; the value follows it
  std::size_t label_size;  // in bytes
  std::size_t size;        // of label and value, in bytes
};

// The caller's stores; both may be empty. A recipe keeps at most `text_size` bytes of text in
// at most `item_count` items.
struct StructuredRecipeStores {
  unsigned char* text = nullptr;
  std::size_t text_size = 0;
  RecipeItem* items = nullptr;
  std::size_t item_count = 0;
};

class StructuredRecipe {
 public:
  static constexpr std::size_t kNoItem = static_cast<std::size_t>(-1);

  explicit StructuredRecipe(const StructuredRecipeStores& stores) noexcept : stores_(stores) {}

  void clear() noexcept;

  // Adds an item at the end. Returns its index, or kNoItem when no item is left. Text that does
  // not fit is cut at a character boundary; from the first cut on nothing more is added.
  std::size_t add(RecipeField field, std::string_view label, std::string_view value) noexcept;

  // Adds an item whose value is the words of `text` separated by single spaces.
  std::size_t add_words(RecipeField field, std::string_view label, std::string_view text) noexcept;

  // Appends `text` to the value of item `index` (kNoItem: nothing), after one space when
  // `spaced` and neither is empty.
  void extend(std::size_t index, std::string_view text, bool spaced = true) noexcept;

  // Appends the words of `text`, each after one space when the value is not empty.
  void extend_words(std::size_t index, std::string_view text) noexcept;

  // Drops one pair of double quotes that encloses the whole value of item `index`.
  void unquote(std::size_t index) noexcept;

  // Empties the value of item `index`.
  void drop_value(std::size_t index) noexcept;

  std::size_t size() const noexcept { return count_; }
  // Whether some item is of `field`.
  bool has(RecipeField field) const noexcept;
  RecipeField field(std::size_t index) const noexcept { return stores_.items[index].field; }
  std::string_view label(std::size_t index) const noexcept;
  // Asked for on every line by the rules, so inline.
  std::string_view value(std::size_t index) const noexcept {
    const RecipeItem& item = stores_.items[index];
    return {reinterpret_cast<const char*>(stores_.text) + item.begin + item.label_size,
            item.size - item.label_size};
  }

  // The item that the last add or extend wrote to, and a count of such writes, by which a
  // caller sees whether a line went anywhere.
  std::size_t last_written() const noexcept { return last_written_; }
  std::size_t writes() const noexcept { return writes_; }

  // Whether some text or item did not fit.
  bool is_cut() const noexcept { return cut_; }

 private:
  void extend_word_by_word(std::size_t index, std::string_view text) noexcept;
  void grew(std::size_t index, std::size_t added) noexcept;
  // Whether the text holds a tab or two spaces in a row.
  static bool has_double_space(std::string_view text) noexcept;
  // Inserts `text` at `at` in the text store, moving the text after it; returns the bytes kept.
  std::size_t insert(std::size_t at, std::string_view text) noexcept;

  StructuredRecipeStores stores_;
  std::size_t count_ = 0;
  std::size_t used_ = 0;  // bytes of the text store in use
  std::size_t last_written_ = kNoItem;
  std::size_t writes_ = 0;
  bool cut_ = false;
};

}  // namespace mirtabel

#endif
