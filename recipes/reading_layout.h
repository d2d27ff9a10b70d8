// What the structured reading of the two layouts does differently, held as data that the zones'
// shared rules consult: the header's labels and its end, the ingredient columns, how the
// directions wrap, and the line that closes a recipe.
#ifndef MIRTABEL_RECIPES_READING_LAYOUT_H
#define MIRTABEL_RECIPES_READING_LAYOUT_H

#include <cstddef>
#include <string_view>

#include "convert/layout.h"

namespace mirtabel {

// Where the amount, the unit and the ingredient's text stand in a row of the ingredient block,
// in columns (characters) from the block's left edge; the gaps between them are blank.
struct IngredientColumns {
  std::size_t amount_end = 0;
  std::size_t unit_begin = 0;
  std::size_t unit_end = 0;
  std::size_t text_begin = 0;  // 0: no columns are known
};

struct ReadingLayout {
  LayoutKind kind;
  // The header ends at a line holding a rule of hyphens, whose runs give the ingredient
  // columns ("--------  ------------  ------"); otherwise at the first blank line.
  bool header_ends_at_rule;
  // Categories stand in columns two spaces apart, and indented lines after them carry more;
  // otherwise commas separate them.
  bool categories_in_columns;
  std::string_view serving_labels[2];  // the header's serving count
  std::string_view credit_label;       // a person, book or address: empty for none
  std::string_view prep_time_label;    // the header's preparation time: empty for none
  // Header labels that the directions also know ("Yield", "Cook Time") give their field.
  bool header_reads_parts;
  // The ingredient columns when the layout fixes them, and whether the unit is letters only.
  IngredientColumns columns;
  bool unit_is_letters;
  // Two ingredients may stand side by side in a row, the second around the middle of the line.
  bool two_entries_per_row;
  // A continuation row's marks (";inch thick", "-- beaten") are layout, not text.
  bool continuation_marks_are_layout;
  // The directions' lines are paragraphs of their own unless they visibly wrap; otherwise
  // lines are wrapped and blank lines end paragraphs.
  bool lines_are_paragraphs;
  // A line of five copies of one letter ("MMMMM") closes the recipe.
  bool closes_with_letters;
};

inline constexpr ReadingLayout kColumnReadingLayout = {
    LayoutKind::kColumn,
    /*header_ends_at_rule=*/true,
    /*categories_in_columns=*/true,
    /*serving_labels=*/{"Serving Size", {}},
    /*credit_label=*/"Recipe By",
    /*prep_time_label=*/"Preparation Time",
    /*header_reads_parts=*/false,
    /*columns=*/{},  // from the rule that ends the header
    /*unit_is_letters=*/false,
    /*two_entries_per_row=*/false,
    /*continuation_marks_are_layout=*/false,
    /*lines_are_paragraphs=*/true,
    /*closes_with_letters=*/false,
};

inline constexpr ReadingLayout kLabelledReadingLayout = {
    LayoutKind::kLabelled,
    /*header_ends_at_rule=*/false,
    /*categories_in_columns=*/false,
    /*serving_labels=*/{"Servings", "Yield"},
    /*credit_label=*/{},
    /*prep_time_label=*/{},
    /*header_reads_parts=*/true,
    /*columns=*/{7, 8, 10, 11},  // amount in 1-7, unit in 9-10, ingredient from 12
    /*unit_is_letters=*/true,
    /*two_entries_per_row=*/true,
    /*continuation_marks_are_layout=*/true,
    /*lines_are_paragraphs=*/false,
    /*closes_with_letters=*/true,
};

inline const ReadingLayout& reading_layout(LayoutKind kind) noexcept {
  return kind == LayoutKind::kColumn ? kColumnReadingLayout : kLabelledReadingLayout;
}

}  // namespace mirtabel

#endif
