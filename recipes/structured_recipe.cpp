#include "recipes/structured_recipe.h"

#include <cstdint>
#include <cstring>

#include "recipes/recipe_text.h"

namespace mirtabel {

void StructuredRecipe::clear() noexcept {
  count_ = used_ = writes_ = 0;
  last_written_ = kNoItem;
  cut_ = false;
}

std::size_t StructuredRecipe::add(RecipeField field, std::string_view label,
                                  std::string_view value) noexcept {
  if (cut_ || count_ == stores_.item_count) {
    cut_ = true;
    return kNoItem;
  }
  const std::size_t index = count_++;
  RecipeItem& item = stores_.items[index];
  item = {field, used_, 0, 0};
  item.label_size = insert(used_, label);
  item.size = item.label_size + (cut_ ? 0 : insert(used_, value));
  last_written_ = index;
  ++writes_;
  return index;
}

std::size_t StructuredRecipe::add_words(RecipeField field, std::string_view label,
                                        std::string_view text) noexcept {
  const std::size_t index = add(field, label, {});
  extend_words(index, text);
  return index;
}

namespace {

bool is_blank_char(char c) noexcept {
  return c == ' ' || c == '\t';
}

// Where the words and single spaces that start at `at` end: at the first tab, or the first space
// that another blank or the end of the text follows. Eight bytes go at a time while none of them
// is a tab or a space before a space.
std::size_t single_spaced_end(std::string_view text, std::size_t at) noexcept {
  using recipe_text::bytes_equal;
  using recipe_text::load8;
  while (at + 9 <= text.size()) {
    const std::uint64_t word = load8(text.data() + at);
    const std::uint64_t next = load8(text.data() + at + 1);
    if ((bytes_equal(word, '\t') | (bytes_equal(word, ' ') & bytes_equal(next, ' '))) != 0) break;
    at += 8;
  }
  // Fewer than nine bytes left: they are tried at once too, in the nine that end the text.
  if (at < text.size() && at + 9 > text.size() && text.size() >= 9) {
    const std::uint64_t word = load8(text.data() + text.size() - 9);
    const std::uint64_t next = load8(text.data() + text.size() - 8);
    if ((bytes_equal(word, '\t') | bytes_equal(next, '\t') |
         (bytes_equal(word, ' ') & bytes_equal(next, ' '))) == 0 &&
        text.back() != ' ')
      return text.size();
  }
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\t' || (c == ' ' && (at + 1 == text.size() || is_blank_char(text[at + 1]))))
      return at;
  }
  return at;
}

// Writes the words of `text` at `out`, one space between them and one before the first after
// other text; returns the bytes written. Each stretch of words with single spaces between them
// goes in one copy.
std::size_t copy_words(std::string_view text, unsigned char* out, bool after_text) noexcept {
  unsigned char* const first = out;
  bool spaced = after_text;
  for (std::size_t at = 0;;) {
    while (at < text.size() && is_blank_char(text[at]))
      ++at;
    if (at == text.size()) break;
    const std::size_t end = single_spaced_end(text, at);
    std::size_t stop = end;  // a space before a tab is no part of the stretch
    while (text[stop - 1] == ' ')
      --stop;
    if (spaced) *out++ = ' ';
    std::memcpy(out, text.data() + at, stop - at);
    out += stop - at;
    spaced = true;
    at = end;
  }
  return static_cast<std::size_t>(out - first);
}

}  // namespace

// In one pass, and one move of the text after the item unless it is the item written last (as
// it mostly is), whatever the number of words: this runs on every line of every recipe. Words
// that do not all fit are added one by one, so that the cut falls where extend() cuts.
void StructuredRecipe::extend_words(std::size_t index, std::string_view text) noexcept {
  if (index == kNoItem || cut_) return;
  RecipeItem& item = stores_.items[index];
  const bool after_text = item.size > item.label_size;
  const std::size_t end = item.begin + item.size;
  // Behind the last item, the words go straight in when the store has room for the whole text
  // and a space; elsewhere the text after the item moves first.
  if (end != used_ || text.size() >= stores_.text_size - used_) {
    // Text that is words and single spaces already is copied as it is.
    if (!text.empty() && !is_blank_char(text.front()) && !is_blank_char(text.back()) &&
        !has_double_space(text))
      return extend(index, text, after_text);
    std::size_t size = 0;  // of the words with single spaces
    bool in_word = false;
    for (char c : text) {
      // A word's first character comes after a space unless it opens the item's text.
      const bool blank = is_blank_char(c);
      if (!blank) size += in_word || (size == 0 && !after_text) ? 1 : 2;
      in_word = !blank;
    }
    if (size == 0) return;
    if (size > stores_.text_size - used_) return extend_word_by_word(index, text);
    std::memmove(stores_.text + end + size, stores_.text + end, used_ - end);
  }
  const std::size_t size = copy_words(text, stores_.text + end, after_text);
  if (size == 0) return;
  used_ += size;
  grew(index, size);
}

// Item `index` got `added` bytes at its end: the items after it start that much later.
void StructuredRecipe::grew(std::size_t index, std::size_t added) noexcept {
  stores_.items[index].size += added;
  for (std::size_t later = index + 1; later < count_; ++later)
    stores_.items[later].begin += added;
  last_written_ = index;
  ++writes_;
}

// Whether the text holds a tab or two spaces in a row: one pass, as the text is mostly short
// words.
bool StructuredRecipe::has_double_space(std::string_view text) noexcept {
  bool space = false;
  for (char c : text) {
    if (c == '\t' || (c == ' ' && space)) return true;
    space = c == ' ';
  }
  return false;
}

void StructuredRecipe::extend_word_by_word(std::size_t index, std::string_view text) noexcept {
  while (!text.empty()) {
    const std::size_t word = text.find_first_not_of(" \t");
    if (word == std::string_view::npos) break;
    text.remove_prefix(word);
    const std::size_t end = text.find_first_of(" \t");
    extend(index, text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  }
}

void StructuredRecipe::extend(std::size_t index, std::string_view text, bool spaced) noexcept {
  if (index == kNoItem || cut_ || text.empty()) return;
  const RecipeItem& item = stores_.items[index];
  const std::size_t end = item.begin + item.size;
  std::size_t added = 0;
  if (spaced && item.size > item.label_size) added = insert(end, " ");
  if (!cut_) added += insert(end + added, text);
  grew(index, added);
}

void StructuredRecipe::unquote(std::size_t index) noexcept {
  if (index == kNoItem) return;
  RecipeItem& item = stores_.items[index];
  const std::string_view text = value(index);
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return;
  unsigned char* at = stores_.text + item.begin + item.label_size;
  std::memmove(at, at + 1, used_ - (item.begin + item.label_size + 1));
  used_ -= 1;
  const std::size_t last = item.begin + item.size - 2;  // the closing quote, moved one back
  std::memmove(stores_.text + last, stores_.text + last + 1, used_ - (last + 1));
  used_ -= 1;
  item.size -= 2;
  for (std::size_t later = index + 1; later < count_; ++later)
    stores_.items[later].begin -= 2;
}

void StructuredRecipe::drop_value(std::size_t index) noexcept {
  if (index == kNoItem || index >= count_) return;
  RecipeItem& item = stores_.items[index];
  const std::size_t value_begin = item.begin + item.label_size;
  const std::size_t removed = item.size - item.label_size;
  if (removed == 0) return;  // nothing to move, and the store may be empty (null)
  std::memmove(stores_.text + value_begin, stores_.text + value_begin + removed,
               used_ - (value_begin + removed));
  used_ -= removed;
  item.size = item.label_size;
  for (std::size_t later = index + 1; later < count_; ++later)
    stores_.items[later].begin -= removed;
}

bool StructuredRecipe::has(RecipeField field) const noexcept {
  for (std::size_t i = 0; i < count_; ++i) {
    if (stores_.items[i].field == field) return true;
  }
  return false;
}

std::string_view StructuredRecipe::label(std::size_t index) const noexcept {
  const RecipeItem& item = stores_.items[index];
  return {reinterpret_cast<const char*>(stores_.text) + item.begin, item.label_size};
}

std::size_t StructuredRecipe::insert(std::size_t at, std::string_view text) noexcept {
  std::size_t kept = text.size();
  if (kept > stores_.text_size - used_) {
    kept = stores_.text_size - used_;
    // Never keep part of a character: back off to the start of the one that was cut.
    while (kept > 0 && (static_cast<unsigned char>(text[kept]) & 0xC0) == 0x80)
      --kept;
    cut_ = true;
  }
  if (kept == 0) return 0;
  std::memmove(stores_.text + at + kept, stores_.text + at, used_ - at);
  std::memcpy(stores_.text + at, text.data(), kept);
  used_ += kept;
  return kept;
}

}  // namespace mirtabel
