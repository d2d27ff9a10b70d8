// The marker line: the input's first line, line feed included, held for the whole conversion.
// Any line within which it occurs starts a recipe.
#ifndef MIRTABEL_CONVERT_MARKER_LINE_H
#define MIRTABEL_CONVERT_MARKER_LINE_H

#include <cstring>

#include "convert/substring_search.h"
#include "platform/text_line.h"

namespace mirtabel {

class MarkerLine {
 public:
  // Keeps a copy of `first_line`, which is any line the reader returns.
  void hold(const TextLine& first_line) noexcept {
    std::memcpy(bytes_, first_line.bytes, first_line.size);
    size_ = first_line.size;
    // A line feed can only stand at a line's end, so a marker that has one can only occur there.
    at_end_only_ = first_line.ends_with_line_feed();
  }

  // Whether `line` holds the marker line.
  bool is_in(const TextLine& line) const noexcept {
    if (at_end_only_) {
      // The marker's first byte alone turns away almost every other line.
      if (line.size < size_) return false;
      const unsigned char* at = line.bytes + line.size - size_;
      return at[0] == bytes_[0] && std::memcmp(at, bytes_, size_) == 0;
    }
    // A first line read without its line feed (over-long, or the whole input) may occur
    // anywhere. It is thousands of bytes long, and a line may repeat most of it at every place:
    // the search takes time linear in the line's size whatever the bytes.
    return contains_bytes(line.bytes, line.size, bytes_, size_);
  }

 private:
  std::size_t size_ = 0;
  bool at_end_only_ = false;
  unsigned char bytes_[TextLine::kMaxBytes];
};

}  // namespace mirtabel

#endif
