// The marker line, held for the whole conversion: by default the input's first line, line feed
// included, and any line within which it occurs starts a recipe. It may be given instead, as a
// text that a line must end with, or as a text that a line must equal but for its spacing (runs
// of spaces and tabs, and blanks at either end).
#ifndef MIRTABEL_CONVERT_MARKER_LINE_H
#define MIRTABEL_CONVERT_MARKER_LINE_H

#include <cstdint>
#include <cstring>

#include "convert/substring_search.h"
#include "platform/text_line.h"

namespace mirtabel {

// Whether a byte is spacing within a line, its line feed included.
constexpr bool is_spacing(unsigned char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Whether the texts `a` and `b` are equal but for spacing: runs of blanks count as one, and
// blanks at either end not at all.
inline bool same_but_spacing(const unsigned char* a, std::size_t a_size, const unsigned char* b,
                             std::size_t b_size) noexcept {
  std::size_t i = 0;
  std::size_t j = 0;
  for (;;) {
    const std::size_t i_run = i;
    const std::size_t j_run = j;
    while (i < a_size && is_spacing(a[i]))
      ++i;
    while (j < b_size && is_spacing(b[j]))
      ++j;
    if (i == a_size || j == b_size) return i == a_size && j == b_size;
    // Spacing between two words in one text must be spacing in the other too.
    if ((i > i_run) != (j > j_run) && i_run > 0 && j_run > 0) return false;
    if (a[i] != b[j]) return false;
    ++i;
    ++j;
  }
}

class MarkerLine {
 public:
  // Keeps a copy of `first_line`, which is any line the reader returns.
  void hold(const TextLine& first_line) noexcept {
    std::memcpy(bytes_, first_line.bytes, first_line.size);
    size_ = first_line.size;
    // A line feed can only stand at a line's end, so a marker that has one can only occur there.
    at_end_only_ = first_line.ends_with_line_feed();
    find_last_mark();
  }

  // Keeps `text` (UTF-8, without a line feed; cut to the longest line) as the marker: a line
  // that ends with it starts a recipe, or, with `spacing_ignored`, a line that equals it but for
  // spacing.
  void hold_text(const char* text, std::size_t size, bool spacing_ignored) noexcept {
    if (size > TextLine::kMaxBytes - 1) size = TextLine::kMaxBytes - 1;
    std::memcpy(bytes_, text, size);
    bytes_[size] = '\n';
    size_ = size + 1;
    at_end_only_ = true;
    spacing_ignored_ = spacing_ignored;
    find_last_mark();
  }

  // Whether `line` holds the marker line.
  bool is_in(const TextLine& line) const noexcept {
    if (spacing_ignored_) {
      return last_mark_ != 0 && last_mark_of(line) == last_mark_ &&
             same_but_spacing(line.bytes, line.size, bytes_, size_);
    }
    if (at_end_only_) {
      // The marker's first byte alone turns away almost every other line.
      if (line.size >= size_) {
        const unsigned char* at = line.bytes + line.size - size_;
        if (at[0] == bytes_[0] && std::memcmp(at, bytes_, size_) == 0) return true;
      }
    } else if (contains_bytes(line.bytes, line.size, bytes_, size_)) {
      // A first line read without its line feed (over-long, or the whole input) may occur
      // anywhere. It is thousands of bytes long, and a line may repeat most of it at every
      // place: the search takes time linear in the line's size whatever the bytes.
      return true;
    }
    // A line that is the marker but for its spacing most likely starts a recipe of another
    // export joined to this one; such lines are counted to warn of them. Its last mark turns
    // away almost every other line: most end with a byte that is not spacing just before their
    // line feed, which is read here, and the rest of the test is kept out of the loops.
    if (last_mark_ != 0) {
      const std::size_t n = line.size;
      const unsigned char* bytes = line.bytes;
      const bool may_be =
          n >= 2 ? bytes[n - 1] != '\n' || bytes[n - 2] == last_mark_ || bytes[n - 2] <= ' '
                 : n == 1 && bytes[0] == last_mark_;
      if (may_be) count_if_but_for_spacing(line);
    }
    return false;
  }

  // The lines is_in() turned away that are the marker but for spacing.
  std::uint32_t lines_but_for_spacing() const noexcept { return lines_but_for_spacing_; }

  // Copies the marker's text, without its line feed, to `text` (room for `room` bytes, at least
  // one), cut at a character's end and null-terminated.
  void copy_text(char* text, std::size_t room) const noexcept {
    std::size_t size = size_ > 0 && bytes_[size_ - 1] == '\n' ? size_ - 1 : size_;
    if (size > room - 1) {
      size = room - 1;
      while (size > 0 && (bytes_[size] & 0xC0) == 0x80)
        --size;
    }
    std::memcpy(text, bytes_, size);
    text[size] = '\0';
  }

 private:
  // A line's last byte that is not spacing, or 0: a cheap first test of a line against the
  // marker but for spacing. Most lines end with one just before their line feed.
  static unsigned char last_mark_of(const TextLine& line) noexcept {
    std::size_t end = line.size;
    if (end > 0 && line.bytes[end - 1] == '\n') --end;
    if (end > 0 && !is_spacing(line.bytes[end - 1])) return line.bytes[end - 1];
    return last_mark_before(line.bytes, end);
  }

  [[gnu::cold, gnu::noinline]] static unsigned char last_mark_before(const unsigned char* bytes,
                                                                     std::size_t end) noexcept {
    while (end > 0 && is_spacing(bytes[end - 1]))
      --end;
    return end > 0 ? bytes[end - 1] : 0;
  }

  [[gnu::noinline]] void count_if_but_for_spacing(const TextLine& line) const noexcept {
    if (last_mark_of(line) == last_mark_ && same_but_spacing(line.bytes, line.size, bytes_, size_))
      ++lines_but_for_spacing_;
  }

  void find_last_mark() noexcept {
    TextLine held;
    held.bytes = bytes_;
    held.size = size_;
    last_mark_ = last_mark_of(held);
  }

  std::size_t size_ = 0;
  bool at_end_only_ = false;
  bool spacing_ignored_ = false;
  unsigned char last_mark_ = 0;  // 0 for a marker of spacing alone, which nothing resembles
  mutable std::uint32_t lines_but_for_spacing_ = 0;
  unsigned char bytes_[TextLine::kMaxBytes];
};

}  // namespace mirtabel

#endif
