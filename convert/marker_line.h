// The marker line: the input's first line, line feed included. Any line within which it occurs
// starts a recipe.
#ifndef MIRTABEL_CONVERT_MARKER_LINE_H
#define MIRTABEL_CONVERT_MARKER_LINE_H

#include <algorithm>
#include <cstring>

#include "platform/text_line.h"

namespace mirtabel {

inline bool contains_marker(const TextLine& line, const TextLine& marker) noexcept {
  if (marker.ends_with_line_feed()) {
    // A line feed can only stand at a line's end, so the marker can only occur there. Its first
    // byte alone turns away almost every other line.
    if (line.size < marker.size) return false;
    const unsigned char* at = line.bytes + line.size - marker.size;
    return at[0] == marker.bytes[0] && std::memcmp(at, marker.bytes, marker.size) == 0;
  }
  // A first line read without its line feed (over-long, or the whole input) may occur anywhere.
  const unsigned char* end = line.bytes + line.size;
  return std::search(line.bytes, end, marker.bytes, marker.bytes + marker.size) != end;
}

}  // namespace mirtabel

#endif
