#include "convert/column_layout.h"

#include <cstdint>
#include <cstring>

#include "convert/title_field.h"

namespace mirtabel {

namespace {

constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;

}  // namespace

// Any eight bytes in a row include one whose offset is 7 modulo 8, so only those bytes are
// looked at until one is a hyphen.
bool ColumnLayout::holds_rule(const TextLine& line) noexcept {
  for (std::size_t at = 7; at < line.size; at += 8) {
    if (line.bytes[at] != '-') continue;
    std::size_t first = at, last = at;
    while (first > 0 && line.bytes[first - 1] == '-')
      --first;
    while (last + 1 < line.size && line.bytes[last + 1] == '-')
      ++last;
    if (last - first >= 7) return true;
  }
  return false;
}

// The title starts at the first character among the first 100 that is not a space; the end of
// the line counts as such a character, so only a line of 100 leading spaces has no title. The
// spaces are passed eight at a time.
std::size_t ColumnLayout::title_start(const TextLine& title_line) noexcept {
  const std::size_t limit =
      title_line.size < TitleField::kChars ? title_line.size : TitleField::kChars;
  std::size_t at = 0;
  for (std::uint64_t word; at + 8 <= limit; at += 8) {
    std::memcpy(&word, title_line.bytes + at, 8);
    if (word != kEightSpaces) break;
  }
  while (at < limit && title_line.bytes[at] == ' ')
    ++at;
  return at < TitleField::kChars ? at : TitleField::kNoStart;
}

}  // namespace mirtabel
