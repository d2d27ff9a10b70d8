#include "convert/column_layout.h"

#include "convert/record_scanner.h"
#include "convert/title_field.h"

namespace mirtabel {

// The title starts at the first character among the first 100 that is not a space; the end of
// the line counts as such a character, so only a line of 100 leading spaces has no title.
std::size_t ColumnLayout::title_start(const TextLine& title_line) const noexcept {
  for (std::size_t i = 0; i < TitleField::kChars; ++i) {
    if (i == title_line.size || title_line.bytes[i] != ' ') return i;
  }
  return TitleField::kNoStart;
}

// The header ends at the first line holding a rule of eight hyphens. Marker lines are not
// looked for here: a recipe without a rule runs on into the next ones.
void ColumnLayout::skip_header(RecordScanner& scanner) const noexcept {
  while (scanner.read_line()) {
    if (scanner.line().contains("--------")) return;
  }
}

// Every body line becomes a page mark and its text, blank lines included.
RecipeEnd ColumnLayout::read_body(RecordScanner& scanner) const noexcept {
  for (;;) {
    if (!scanner.read_line()) return RecipeEnd::kAtInputEnd;
    if (scanner.line_is_marker()) return RecipeEnd::kAtMarker;
    if (!scanner.append_line(PageMark::kBefore)) return RecipeEnd::kAbandoned;
  }
}

}  // namespace mirtabel
