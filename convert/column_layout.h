// The column layout: the title stands alone on its line, possibly indented; header lines follow
// up to a rule of hyphens; every line after the rule is body text.
#ifndef MIRTABEL_CONVERT_COLUMN_LAYOUT_H
#define MIRTABEL_CONVERT_COLUMN_LAYOUT_H

#include <cstddef>
#include <optional>

#include "convert/layout.h"
#include "platform/text_line.h"

namespace mirtabel {

struct ColumnLayout {
  static constexpr LayoutKind kKind = LayoutKind::kColumn;

  static std::size_t title_start(const TextLine& title_line) noexcept;

  // The header ends at the first line holding a rule of eight hyphens. A recipe without a rule
  // ends at the next marker line, which starts the next recipe: it does not take that recipe's
  // lines with it.
  template <class Framer>
  static std::optional<RecipeEnd> skip_header(Framer& framer) noexcept {
    while (framer.read_line()) {
      if (framer.line_is_marker()) return RecipeEnd::kAtMarker;
      if (holds_rule(framer.line())) return std::nullopt;
    }
    return RecipeEnd::kAtInputEnd;
  }

  // Every body line becomes a page mark and its text, blank lines included.
  template <class Framer>
  static RecipeEnd read_body(Framer& framer) noexcept {
    return framer.append_lines_to_marker();
  }

  // Whether the line holds a rule of eight hyphens.
  static bool holds_rule(const TextLine& line) noexcept;
};

}  // namespace mirtabel

#endif
