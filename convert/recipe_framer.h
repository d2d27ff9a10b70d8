// The recipe framer: reads MXP text line by line and frames each recipe between marker lines by
// the rules of the file's layout. What becomes of a recipe is its client's business: the records
// builder (convert/record_builder.h) builds a flat record of it, the line client
// (convert/recipe_lines.h) hands its lines to a RecipeListener. The client is a template
// parameter, so that the records' loop holds no test for the other client.
// A client (see the two) gives the room each line is decoded into (line_room, line_decoded),
// hears of a recipe's start and end (start, write, abandon, left_out), takes the body as the
// layout's rules append it (append_*), and with kTakesEveryLine every line (line), with what it is
// to the line before it, and every recipe's place in the input; error() and stop() tell of and end
// a failed conversion.
#ifndef MIRTABEL_CONVERT_RECIPE_FRAMER_H
#define MIRTABEL_CONVERT_RECIPE_FRAMER_H

#include <cstdint>
#include <optional>

#include "convert/column_layout.h"
#include "convert/conversion_observer.h"
#include "convert/conversion_options.h"
#include "convert/labelled_layout.h"
#include "convert/layout.h"
#include "convert/marker_line.h"
#include "platform/text_line.h"
#include "platform/text_reader.h"

namespace mirtabel {

template <class Client>
class RecipeFramer {
 public:
  // `options` give the marker line, when it is not the input's first, and where to write the
  // one used.
  RecipeFramer(TextReader& reader, Client& client, const ConversionOptions& options) noexcept
      : reader_(reader), client_(client), options_(options) {}
  RecipeFramer(const RecipeFramer&) = delete;
  RecipeFramer& operator=(const RecipeFramer&) = delete;

  // Frames the whole input. Returns the number of recipes written; when reading or the client
  // failed, the framing stops early and the reader or the client holds the error.
  std::int32_t run() noexcept;

  // True when the input held more recipes than the count can express; the framing stopped there.
  bool count_overflowed() const noexcept { return count_overflowed_; }
  // Recipes framed whose title line is blank where the title stands.
  std::int32_t empty_titles() const noexcept { return empty_titles_; }
  // Lines that are the marker but for spacing.
  std::uint32_t lines_but_for_spacing() const noexcept { return marker_.lines_but_for_spacing(); }

  // What the layouts frame a recipe with.
  bool read_line() noexcept;  // the next line into line(); false at the end of the input
  const TextLine& line() const noexcept { return line_; }
  bool line_is_marker() const noexcept { return marker_.is_in(line_); }
  bool append_line(PageMark mark) noexcept { return client_.append_line(mark, line_); }
  void append_page_mark() noexcept { client_.append_page_mark(); }
  // Reads every line up to the next marker line as body lines, each after a page mark.
  RecipeEnd append_lines_to_marker() noexcept;

 private:
  static constexpr bool kEveryLine = Client::kTakesEveryLine;

  bool at_next_marker(std::uint64_t& marker_begin) noexcept;
  bool hold_marker() noexcept;
  template <class Rules>
  RecipeEnd frame_recipe() noexcept;
  bool end_recipe(RecipeEnd end) noexcept;
  void write_recipe(std::uint64_t end) noexcept;
  void report_left_out(std::uint64_t end) noexcept;
  // A recipe's line goes to the client with what it is to the line before it, which the title
  // line or the line handed over before left open; a piece is spaced when white space stands on
  // either side of its cut. Out of line, so that the layouts' loops stay small.
  [[gnu::noinline]] void hand_over() noexcept {
    line_pending_ = false;
    client_.line(line_, follow_pieces());
  }
  LinePiece follow_pieces() noexcept {
    const auto is_space = [](unsigned char c) { return c == ' ' || c == '\t'; };
    const bool spaced_start = line_.text_size() > 0 && is_space(line_.bytes[0]);
    const LinePiece piece =
        next_piece_ == LinePiece::kJoined && spaced_start ? LinePiece::kSpaced : next_piece_;
    const bool spaced_end = line_.size > 0 && is_space(line_.bytes[line_.size - 1]);
    next_piece_ = line_.ends_with_line_feed() ? LinePiece::kLine
                  : spaced_end                ? LinePiece::kSpaced
                                              : LinePiece::kJoined;
    return piece;
  }
  bool has_failed() const noexcept { return reader_.error() != 0 || client_.error() != 0; }
  RecipePlace place(std::uint64_t end) const noexcept {
    return {first_line_end_, recipe_begin_, end};
  }

  TextReader& reader_;
  Client& client_;
  const ConversionOptions& options_;
  std::optional<LayoutKind> layout_;
  std::int32_t empty_titles_ = 0;
  std::int32_t records_ = 0;
  bool count_overflowed_ = false;
  TextLine line_;
  bool left_out_ = false;             // the last recipe was left out; its end is not known yet
  bool in_recipe_ = false;            // a client of every line is handed the lines read
  bool line_pending_ = false;         // line() belongs to the recipe and is not handed over yet
  std::uint64_t first_line_end_ = 0;  // input offset just past the marker line
  std::uint64_t recipe_begin_ = 0;    // input offset of the line after the recipe's marker line
  std::uint64_t line_begin_ = 0;      // input offset of line(), for a client of every line
  MarkerLine marker_;
  LinePiece next_piece_ = LinePiece::kLine;  // what the next line is to line(), but for its start
};

// The layouts call this one for every line, so it is defined here, inline.
template <class Client>
inline bool RecipeFramer<Client>::read_line() noexcept {
  if constexpr (kEveryLine) {
    // A recipe's line goes to the client once the next read shows that it did not end the
    // recipe.
    if (line_pending_) hand_over();
    line_begin_ = reader_.offset();
  }
  unsigned char* const to = client_.line_room();
  if (to == nullptr || !reader_.read_line(to, line_)) return false;
  client_.line_decoded(line_);
  if constexpr (kEveryLine) line_pending_ = in_recipe_;
  return true;
}

template <class Client>
std::int32_t RecipeFramer<Client>::run() noexcept {
  if (!hold_marker()) return 0;  // no marker line, and no recipe
  first_line_end_ = reader_.offset();
  // The first line is a marker line itself and starts the first recipe. A recipe left out is
  // followed by a search for the next marker line, which tells where its text ends.
  std::uint64_t marker_begin = 0;
  for (bool at_marker = true; at_marker || at_next_marker(marker_begin);) {
    if (left_out_) report_left_out(marker_begin);
    recipe_begin_ = reader_.offset();
    if (!read_line() || !read_line()) break;  // the line after the marker, then the title line
    // The first recipe's title line decides the layout of the whole file. A labelled file would
    // be read again from its first line with the labelled rules, and that read would meet the
    // same marker line, the same next line and this same title line; going on from here with
    // those rules gives the same recipes without reading anything twice, and also converts
    // input that cannot be read twice, such as a pipe.
    if (!layout_) layout_ = line_.contains("Title:") ? LayoutKind::kLabelled : LayoutKind::kColumn;
    const RecipeEnd end = *layout_ == LayoutKind::kLabelled ? frame_recipe<LabelledLayout>()
                                                            : frame_recipe<ColumnLayout>();
    at_marker = end_recipe(end);
  }
  if (left_out_) report_left_out(reader_.offset());
  return records_;
}

// The marker is the first line, or the one the options give, before whose first occurrence
// every line is skipped. Returns false when no line is the marker.
template <class Client>
bool RecipeFramer<Client>::hold_marker() noexcept {
  if (!read_line()) return false;
  if (options_.marker == nullptr) {
    marker_.hold(line_);
  } else {
    marker_.hold_text(options_.marker, options_.marker_size, options_.marker_spacing_ignored);
    while (!line_is_marker()) {
      if (!read_line()) return false;
    }
  }
  if (options_.marker_used != nullptr && options_.marker_used_room > 0) {
    marker_.copy_text(options_.marker_used, options_.marker_used_room);
  }
  return true;
}

template <class Client>
template <class Rules>
RecipeEnd RecipeFramer<Client>::frame_recipe() noexcept {
  const std::size_t title_start = Rules::title_start(line_);
  std::size_t title_end = line_.size;
  while (title_end > title_start && is_spacing(line_.bytes[title_end - 1]))
    --title_end;
  if (title_start >= title_end) ++empty_titles_;
  client_.start(Rules::kKind, line_, title_start);
  if constexpr (kEveryLine) follow_pieces();  // what the line after the title line is to it
  in_recipe_ = kEveryLine;
  const std::optional<RecipeEnd> end_in_header = Rules::skip_header(*this);
  return end_in_header ? *end_in_header : Rules::read_body(*this);
}

// Lines before, between and after recipes are skipped.
template <class Client>
bool RecipeFramer<Client>::at_next_marker(std::uint64_t& marker_begin) noexcept {
  for (;;) {
    marker_begin = reader_.offset();
    if (!read_line()) return false;
    if (line_is_marker()) return true;
  }
}

template <class Client>
RecipeEnd RecipeFramer<Client>::append_lines_to_marker() noexcept {
  if constexpr (kEveryLine) {
    for (;;) {
      if (!read_line()) return RecipeEnd::kAtInputEnd;
      if (line_is_marker()) return RecipeEnd::kAtMarker;
      client_.append_line(PageMark::kBefore, line_);  // counted, for the limit
    }
  } else {
    return client_.append_lines_to_marker(reader_, marker_);
  }
}

// Returns whether the recipe ended at a marker line, which then starts the next one.
template <class Client>
bool RecipeFramer<Client>::end_recipe(RecipeEnd end) noexcept {
  in_recipe_ = false;
  line_pending_ = false;  // the marker line that ended the recipe, if any, starts the next one
  if (end == RecipeEnd::kAbandoned) {
    left_out_ = true;
    client_.abandon();
  } else {
    write_recipe(end == RecipeEnd::kAtMarker ? line_begin_ : reader_.offset());
  }
  return end == RecipeEnd::kAtMarker;
}

template <class Client>
void RecipeFramer<Client>::write_recipe(std::uint64_t end) noexcept {
  // A recipe cut short by a failed read is not written: the conversion reports the failure.
  if (has_failed()) return;
  if (records_ == INT32_MAX) {
    count_overflowed_ = true;
    client_.stop();
    return;
  }
  if constexpr (kEveryLine) {
    if (client_.write(place(end), records_) != 0) {
      client_.stop();
      return;
    }
  } else {
    static_cast<void>(end);
    client_.write();
  }
  ++records_;
}

// The text of a recipe left out runs on to the next marker line that starts a recipe, or to the
// input's end, so it is reported once that is found.
template <class Client>
void RecipeFramer<Client>::report_left_out(std::uint64_t end) noexcept {
  left_out_ = false;
  if (!has_failed()) client_.left_out(place(end), records_);
}

}  // namespace mirtabel

#endif
