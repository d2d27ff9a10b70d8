// The labelled layout: the title line carries a label ("Title: Apple Pie"); header lines follow up
// to a short line; then a list block, whose lines each become one entry, and after the next
// short line a paragraph block, whose lines are joined into paragraphs.
#ifndef MIRTABEL_CONVERT_LABELLED_LAYOUT_H
#define MIRTABEL_CONVERT_LABELLED_LAYOUT_H

#include <cstddef>
#include <optional>

#include "convert/layout.h"
#include "platform/text_line.h"

namespace mirtabel {

struct LabelledLayout {
  static constexpr LayoutKind kKind = LayoutKind::kLabelled;
  // Lines of at most this many characters as read end the header and the list block.
  static constexpr std::size_t kShortLineChars = 5;
  // Paragraph lines of at most this many characters as read start a new paragraph.
  static constexpr std::size_t kTinyLineChars = 3;

  static std::size_t title_start(const TextLine& title_line) noexcept;

  // The header ends at its first short line (normally an empty one), or with the recipe at a
  // marker line, however short or long.
  template <class Framer>
  static std::optional<RecipeEnd> skip_header(Framer& framer) noexcept {
    while (framer.read_line()) {
      if (framer.line_is_marker()) return RecipeEnd::kAtMarker;
      if (framer.line().chars <= kShortLineChars) return std::nullopt;
    }
    return RecipeEnd::kAtInputEnd;
  }

  // The list block: each line becomes a page mark and its text, up to a short line, which adds
  // two page marks and leads into the paragraph block. A marker line, even a short one, ends the
  // recipe.
  template <class Framer>
  static RecipeEnd read_body(Framer& framer) noexcept {
    for (;;) {
      if (!framer.read_line()) return RecipeEnd::kAtInputEnd;
      if (framer.line_is_marker()) return RecipeEnd::kAtMarker;
      if (framer.line().chars <= kShortLineChars) {
        framer.append_page_mark();
        framer.append_page_mark();
        return read_paragraphs(framer);
      }
      if (!framer.append_line(PageMark::kBefore)) return RecipeEnd::kAbandoned;
    }
  }

  // The paragraph block: lines are joined with nothing between them. A tiny line starts a new
  // paragraph with its text, and so does an indented line once some line has been joined.
  template <class Framer>
  static RecipeEnd read_paragraphs(Framer& framer) noexcept {
    bool joined = false;
    for (;;) {
      if (!framer.read_line()) return RecipeEnd::kAtInputEnd;
      if (framer.line_is_marker()) return RecipeEnd::kAtMarker;
      const TextLine& line = framer.line();
      const bool starts_paragraph = line.chars <= kTinyLineChars || (joined && is_indented(line));
      if (!starts_paragraph) joined = true;
      if (!framer.append_line(starts_paragraph ? PageMark::kBefore : PageMark::kNone))
        return RecipeEnd::kAbandoned;
    }
  }

  // Whether the line's 4th and 5th characters are both spaces; the first three may be anything.
  // Most lines start with three ASCII characters, a byte each; the others are counted out.
  static bool is_indented(const TextLine& line) noexcept {
    if (line.size > 4 && (line.bytes[0] | line.bytes[1] | line.bytes[2]) < 0x80)
      return line.bytes[3] == ' ' && line.bytes[4] == ' ';
    return is_indented_slowly(line);
  }
  static bool is_indented_slowly(const TextLine& line) noexcept;
};

}  // namespace mirtabel

#endif
