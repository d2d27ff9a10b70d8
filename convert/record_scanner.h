// The record scanner: reads MXP text line by line, frames each recipe between marker lines and
// builds its record with the rules of the file's layout: the title field, the body and a line
// feed. The record is built in the output buffer itself: each line is decoded behind the record
// so far, kept there when it joins the body and dropped otherwise, and a finished record is
// simply left in place to be written.
#ifndef MIRTABEL_CONVERT_RECORD_SCANNER_H
#define MIRTABEL_CONVERT_RECORD_SCANNER_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "convert/conversion_options.h"
#include "convert/layout.h"
#include "convert/marker_line.h"
#include "convert/title_field.h"
#include "platform/output_buffer.h"
#include "platform/text_line.h"
#include "platform/text_reader.h"

namespace mirtabel {

// Whether a line's text joins the body after a page mark or directly after the text before it.
enum class PageMark { kBefore, kNone };

class RecordScanner {
 public:
  // A recipe whose body grows past this many characters is left out.
  static constexpr std::size_t kBodyLimit = 9500;

  // The options' observer, when given, hears of every recipe left out; their listener, when
  // given, receives every recipe's lines and nothing is written.
  RecordScanner(TextReader& reader, OutputBuffer& output, const ConversionOptions& options) noexcept
      : reader_(reader),
        output_(output),
        observer_(options.observer),
        listener_(options.listener),
        options_(options) {
    take_record_room();
  }
  RecordScanner(const RecordScanner&) = delete;
  RecordScanner& operator=(const RecordScanner&) = delete;

  // Converts the whole input. Returns the number of records written; when reading or writing
  // failed, the scan stops early and the reader or the output holds the error.
  std::int32_t run() noexcept;

  // True when the input held more records than the count can express; the scan stopped there.
  bool count_overflowed() const noexcept { return count_overflowed_; }
  // 0, or the errno value with which the listener failed; the scan stopped there.
  int listener_error() const noexcept { return listener_error_; }
  // Recipes framed whose title line is blank where the title stands, and those whose record
  // body grew past kBodyLimit (left out, or with a listener only counted).
  std::int32_t empty_titles() const noexcept { return empty_titles_; }
  std::int32_t past_body_limit() const noexcept { return past_body_limit_; }
  std::uint32_t lines_but_for_spacing() const noexcept { return marker_.lines_but_for_spacing(); }

  // What the layouts build a recipe with.
  bool read_line() noexcept;  // the next line into line(); false at the end of the input
  const TextLine& line() const noexcept { return line_; }
  bool line_is_marker() const noexcept { return marker_.is_in(line_); }
  // Appends the current line's text (without its line feed) to the body, after a page mark or
  // not. Returns false when the body has now grown past its limit: the recipe is left out.
  bool append_line(PageMark mark) noexcept;
  // Appends a page mark alone, without testing the limit.
  void append_page_mark() noexcept;
  // Reads every line up to the next marker line and appends it after a page mark, as
  // read_line(), line_is_marker() and append_line(PageMark::kBefore) would; returns how the
  // recipe ended.
  RecipeEnd append_lines_to_marker() noexcept;

 private:
  void deliver_pending_line() noexcept;
  bool make_record_room() noexcept;
  void take_record_room() noexcept;
  void stop() noexcept;
  bool at_next_marker(std::uint64_t& marker_begin) noexcept;
  bool hold_marker() noexcept;
  void choose_layout() noexcept;
  void start_recipe() noexcept;
  bool end_recipe(RecipeEnd end) noexcept;
  void write_record() noexcept;
  void keep_left_out_title() noexcept;
  void report_left_out(std::uint64_t end) noexcept;
  bool has_failed() const noexcept;

  static constexpr unsigned char kPageMark[] = {'[', 'P', 'A', 'G', 'E', ']'};
  static constexpr std::size_t kPageMarkSize = sizeof kPageMark;

 public:
  // The room a line needs behind the body, wherever the page-mark guess decodes it: its longest
  // decoded form, and a page mark in front of it once it is appended. Every read of a line
  // makes sure of this much room first.
  static constexpr std::size_t kLineRoom = kPageMarkSize + TextLine::kMaxBytes;

 private:
  bool has_line_room(std::size_t body_end) const noexcept { return body_end + kLineRoom <= room_; }

  // In every build but Release, each write into the record checks its end against the room in
  // use, so that an overrun stops at once, even one past a capacity smaller than the buffer's
  // array, which a memory checker cannot see.
  void check_written(std::size_t end) const noexcept {
#ifdef MIRTABEL_CHECKED_WRITES
    if (end > room_) std::abort();
#else
    static_cast<void>(end);
#endif
  }

  TextReader& reader_;
  OutputBuffer& output_;
  ConversionObserver* observer_;
  RecipeListener* listener_;
  const ConversionOptions& options_;
  const Layout* layout_ = nullptr;
  std::int32_t empty_titles_ = 0;
  std::int32_t past_body_limit_ = 0;
  std::int32_t records_ = 0;
  bool count_overflowed_ = false;
  int listener_error_ = 0;
  bool stopped_ = false;  // a write failed, the count overflowed or the listener failed

  // The record being built, at record_ in the output buffer, which has room_ bytes from there
  // on: the title field, then the body up to body_end_; the current line lies at line_offset_,
  // after room for a page mark when the last body line of the recipe had one, since the next one
  // most likely will too.
  unsigned char* record_ = nullptr;
  std::size_t room_ = 0;
  TextLine line_;
  std::size_t title_size_ = 0;
  std::size_t body_end_ = 0;
  std::size_t body_chars_ = 0;
  std::size_t line_offset_ = 0;
  std::size_t expected_mark_size_ = kPageMarkSize;

  bool line_pending_ = false;       // line() belongs to the recipe and the listener has not had it
  bool lines_to_listener_ = false;  // in a recipe, with a listener
  bool left_out_ = false;           // the last recipe was left out; its end is not known yet
  std::uint64_t first_line_end_ = 0;  // input offset just past the marker line
  std::uint64_t recipe_begin_ = 0;    // input offset of the line after the recipe's marker line
  std::size_t left_out_title_size_ = 0;
  unsigned char left_out_title_[TitleField::kMaxBytes];

  MarkerLine marker_;
};

// The layouts call these two for every line, so they are defined here, inline.

inline bool RecordScanner::read_line() noexcept {
  // A recipe's line goes to the listener once the next read shows that it did not end the
  // recipe.
  if (line_pending_) deliver_pending_line();
  // A stopped scan has no room: the rest of the input is of no use.
  if (!has_line_room(body_end_) && !make_record_room()) return false;
  line_offset_ = body_end_ + expected_mark_size_;
  if (!reader_.read_line(record_ + line_offset_, line_)) return false;
  check_written(line_offset_ + line_.size);
  line_pending_ = lines_to_listener_;
  return true;
}

// A line's text is kept where it was decoded when the guess about its page mark was right, and
// moved by the size of a page mark when it was wrong.
inline bool RecordScanner::append_line(PageMark mark) noexcept {
  // Everything is read before the record is written to, which the compiler cannot tell apart
  // from this scanner.
  const std::size_t line_feed = line_.ends_with_line_feed() ? 1 : 0;
  const std::size_t text_size = line_.size - line_feed;
  const std::size_t text_chars = line_.chars - line_feed;
  const std::size_t mark_size = mark == PageMark::kBefore ? kPageMarkSize : 0;
  if (listener_ != nullptr) {
    // A listener builds its own output from the lines; the body's size is only counted.
    body_chars_ += mark_size + text_chars;
    return true;
  }
  const std::size_t body_end = body_end_;
  const std::size_t text_at = body_end + mark_size;
  const std::size_t body_chars = body_chars_ + mark_size + text_chars;
  unsigned char* const record = record_;
  check_written(text_at + text_size);
  if (text_at != line_offset_) std::memmove(record + text_at, record + line_offset_, text_size);
  if (mark == PageMark::kBefore) std::memcpy(record + body_end, kPageMark, kPageMarkSize);
  body_end_ = text_at + text_size;
  body_chars_ = body_chars;
  expected_mark_size_ = mark_size;
  return body_chars <= kBodyLimit;
}

}  // namespace mirtabel

#endif
