#include "convert/labelled_layout.h"

#include "convert/record_scanner.h"
#include "convert/title_field.h"
#include "platform/utf8.h"

namespace mirtabel {
namespace {

// Lines of at most this many characters as read end the header and the list block.
constexpr std::size_t kShortLineChars = 5;
// Paragraph lines of at most this many characters as read start a new paragraph.
constexpr std::size_t kTinyLineChars = 3;

// Byte offset just past the character that starts at `offset`.
std::size_t next_char(const TextLine& line, std::size_t offset) noexcept {
  return offset + utf8::sequence_length(line.bytes[offset]);
}

// Whether the line's 4th and 5th characters are both spaces; the first three may be anything.
bool is_indented(const TextLine& line) noexcept {
  // Most lines start with three ASCII characters, a byte each.
  if (line.size > 4 && (line.bytes[0] | line.bytes[1] | line.bytes[2]) < 0x80)
    return line.bytes[3] == ' ' && line.bytes[4] == ' ';
  std::size_t offset = 0;
  std::size_t chars = 0;
  while (chars < 3 && offset < line.size) {
    chars += utf8::wide_width(line.bytes[offset]);
    offset = next_char(line, offset);
  }
  return chars == 3 && offset + 1 < line.size && line.bytes[offset] == ' ' &&
         line.bytes[offset + 1] == ' ';
}

}  // namespace

// The title starts two characters after the first colon among the line's first 100 characters:
// the colon and the one character after it (normally a space) are skipped.
std::size_t LabelledLayout::title_start(const TextLine& title_line) const noexcept {
  std::size_t offset = 0;
  for (std::size_t chars = 0; chars < TitleField::kChars && offset < title_line.size;) {
    if (title_line.bytes[offset] == ':') {
      const std::size_t after_colon = offset + 1;
      return after_colon < title_line.size ? next_char(title_line, after_colon) : after_colon;
    }
    chars += utf8::wide_width(title_line.bytes[offset]);
    offset = next_char(title_line, offset);
  }
  return TitleField::kNoStart;
}

// The header ends at its first short line (normally an empty one), or with the recipe at a
// marker line, however short or long.
std::optional<RecipeEnd> LabelledLayout::skip_header(RecordScanner& scanner) const noexcept {
  while (scanner.read_line()) {
    if (scanner.line_is_marker()) return RecipeEnd::kAtMarker;
    if (scanner.line().chars <= kShortLineChars) return std::nullopt;
  }
  return RecipeEnd::kAtInputEnd;
}

// The list block: each line becomes a page mark and its text, up to a short line, which adds two
// page marks and leads into the paragraph block. A marker line, even a short one, ends the
// recipe.
RecipeEnd LabelledLayout::read_body(RecordScanner& scanner) const noexcept {
  for (;;) {
    if (!scanner.read_line()) return RecipeEnd::kAtInputEnd;
    if (scanner.line_is_marker()) return RecipeEnd::kAtMarker;
    if (scanner.line().chars <= kShortLineChars) {
      scanner.append_page_mark();
      scanner.append_page_mark();
      return read_paragraphs(scanner);
    }
    if (!scanner.append_line(PageMark::kBefore)) return RecipeEnd::kAbandoned;
  }
}

// The paragraph block: lines are joined with nothing between them. A tiny line starts a new
// paragraph with its text, and so does an indented line once some line has been joined.
RecipeEnd LabelledLayout::read_paragraphs(RecordScanner& scanner) noexcept {
  bool joined = false;
  for (;;) {
    if (!scanner.read_line()) return RecipeEnd::kAtInputEnd;
    if (scanner.line_is_marker()) return RecipeEnd::kAtMarker;
    const TextLine& line = scanner.line();
    const bool starts_paragraph = line.chars <= kTinyLineChars || (joined && is_indented(line));
    if (!starts_paragraph) joined = true;
    if (!scanner.append_line(starts_paragraph ? PageMark::kBefore : PageMark::kNone))
      return RecipeEnd::kAbandoned;
  }
}

}  // namespace mirtabel
