#include "recipes/structured_reading.h"

#include "convert/title_field.h"
#include "recipes/recipe_text.h"

namespace mirtabel {
namespace {

// "MMMMM": five copies of one letter.
bool is_closing_line(std::string_view trimmed) noexcept {
  if (trimmed.size() != 5 || !recipe_text::is_letter(trimmed[0])) return false;
  return trimmed.find_first_not_of(trimmed[0]) == std::string_view::npos;
}

}  // namespace

void StructuredReading::start(LayoutKind layout, const TextLine& title_line,
                              std::size_t title_start) noexcept {
  recipe_.clear();
  start_zones(reading_layout(layout));
  // A title line without the layout's label ("Titl March 1997") still holds the recipe's
  // name: no text is lost.
  std::string_view title = recipe_text::of(title_line);
  if (title_start != TitleField::kNoStart)
    title = title_start >= title.size() ? std::string_view() : title.substr(title_start);
  line_writes_ = recipe_.writes();
  recipe_.add(RecipeField::kName, {}, recipe_text::trim(title));
}

void StructuredReading::start_zones(const ReadingLayout& layout) noexcept {
  layout_ = &layout;
  zone_ = Zone::kHeader;
  header_.start(layout);
  directions_.start(layout.lines_are_paragraphs ? DirectionsReading::Wrapping::kLines
                                                : DirectionsReading::Wrapping::kParagraphs);
}

void StructuredReading::read(const TextLine& line, LinePiece piece) noexcept {
  const std::string_view text = recipe_text::of(line);
  // A piece goes on with the item its line wrote last, white space at the cut standing for one
  // space; a piece of a line that wrote nothing is read as a line of its own.
  if (piece != LinePiece::kLine && recipe_.writes() != line_writes_)
    return recipe_.extend(recipe_.last_written(), recipe_text::trim(text),
                          piece == LinePiece::kSpaced);
  line_writes_ = recipe_.writes();
  if (opens_labelled_recipe(text)) {
    start_labelled(text);
  } else {
    read_line(text);
  }
}

// The zones one after the other: the header up to its end, the ingredient block up to a blank
// line that no heading row follows, then the directions. A closing line ends the recipe's own
// text: anything after it is kept as directions.
void StructuredReading::read_line(std::string_view text) noexcept {
  if (layout_->closes_with_letters && is_closing_line(recipe_text::trim(text))) {
    directions_.close();
    zone_ = Zone::kDirections;
    return;
  }
  switch (zone_) {
    case Zone::kHeader:
      if (!header_.read(text)) return;
      ingredients_.start(*layout_, header_.columns());
      // Without the table's columns, what follows is read as directions.
      zone_ = ingredients_.has_columns() ? Zone::kIngredients : Zone::kDirections;
      return;
    case Zone::kAfterBlock:
      if (recipe_text::is_blank(text)) return;
      if (!ingredients_.heads_more(text)) {
        zone_ = Zone::kDirections;
        return directions_.read(text);
      }
      zone_ = Zone::kIngredients;
      [[fallthrough]];
    case Zone::kIngredients:
      switch (ingredients_.read(text)) {
        case IngredientReading::Outcome::kRead:
          return;
        case IngredientReading::Outcome::kEnded:
          zone_ = Zone::kAfterBlock;
          return;
        case IngredientReading::Outcome::kDirections:
          zone_ = Zone::kDirections;
          return directions_.read(text);
      }
      return;
    case Zone::kDirections:
      return directions_.read(text);
  }
}

// A file whose first line is junk frames its recipes from the wrong line, so that a labelled
// recipe reaches the column reading with its opening ("---------- Recipe via ...") as the
// title and its own "Title:" line among the header: that line starts the recipe again.
bool StructuredReading::opens_labelled_recipe(std::string_view text) const noexcept {
  if (layout_->kind != LayoutKind::kColumn || zone_ != Zone::kHeader || recipe_.size() != 1)
    return false;
  const std::string_view trimmed = recipe_text::trim(text);
  return recipe_text::starts_with_word(trimmed, "Title:");
}

// What was taken for the title before is kept, as a comment, unless it is the labelled
// recipe's opening ("---------- Recipe via ..."), which is layout.
void StructuredReading::start_labelled(std::string_view title_line) noexcept {
  start_zones(kLabelledReadingLayout);
  const std::string_view before = recipe_.value(0);
  if (!before.empty() && before.substr(0, 5) != "-----" && before.substr(0, 5) != "MMMMM")
    recipe_.add(RecipeField::kComment, {}, before);
  recipe_.drop_value(0);
  const std::string_view title = recipe_text::trim(title_line);
  recipe_.extend(0, recipe_text::trim(title.substr(title.find(':') + 1)));
}

}  // namespace mirtabel
