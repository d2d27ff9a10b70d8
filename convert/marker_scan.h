// The scan of an input's start for the line that opens its recipes, as an MXP export opens each:
// a line followed, two lines later, by a "Title:" line (the labelled layout), or by a title and
// header lines that end at a rule of hyphens (the column layout). It serves when the first line
// is not the marker, as in an archive that opens with a blank line or a preface: to choose the
// marker (--marker=auto), and to say which line would serve as one.
#ifndef MIRTABEL_CONVERT_MARKER_SCAN_H
#define MIRTABEL_CONVERT_MARKER_SCAN_H

#include <cstddef>
#include <cstdint>

#include "platform/input_encoding.h"
#include "platform/text_line.h"

namespace mirtabel {

// Whether `line` is a rule under a header: it holds eight hyphens in a row, and at least half of
// its other characters are hyphens, in runs with blanks between them. A sentence that merely
// quotes eight hyphens is not.
bool is_header_rule(const TextLine& line) noexcept;

struct MarkerScan {
  // A marker's text longer than this (without its spacing) is not taken for one.
  static constexpr std::size_t kMaxTextBytes = 120;

  enum class FirstLine { kText, kEmpty, kSpacing };
  FirstLine first_line = FirstLine::kText;
  // Lines in the part scanned equal to the first but for spacing, the first included.
  std::uint32_t first_line_count = 0;

  // The first line that opens a recipe and opens others too, or else the first that opens one:
  // its text, without its line feed and with its spacing as on that line, its line number
  // (from 1), and how many recipes its text opens in the part scanned (but for spacing).
  bool found = false;
  char text[kMaxTextBytes + 1] = {};
  std::size_t text_size = 0;
  std::uint64_t line = 0;
  std::uint32_t count = 0;
};

// Scans the first `size` bytes of an input (at most some tens of KiB), decoded as the
// conversion decodes them with `encoding` where there is no byte-order mark. Takes its reader
// from the heap; without memory, it finds nothing.
MarkerScan scan_markers(const unsigned char* bytes, std::size_t size,
                        InputEncoding encoding) noexcept;

}  // namespace mirtabel

#endif
