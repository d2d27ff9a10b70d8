// The records builder: the recipe framer's client that builds each recipe's flat record with the
// rules of the file's layout: the title field, the body and a line feed. The record is built in
// the output buffer itself: each line is decoded behind the record so far, kept there when it
// joins the body and dropped otherwise, and a finished record is simply left in place to be
// written.
#ifndef MIRTABEL_CONVERT_RECORD_BUILDER_H
#define MIRTABEL_CONVERT_RECORD_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "convert/conversion_observer.h"
#include "convert/layout.h"
#include "convert/marker_line.h"
#include "convert/title_field.h"
#include "platform/output_buffer.h"
#include "platform/text_line.h"
#include "platform/text_reader.h"

namespace mirtabel {

class RecordBuilder {
 public:
  // A recipe whose body grows past this many characters is left out.
  static constexpr std::size_t kBodyLimit = 9500;
  static constexpr bool kTakesEveryLine = false;

  // `observer`, when given, hears of every recipe left out.
  RecordBuilder(OutputBuffer& output, ConversionObserver* observer) noexcept
      : output_(output), observer_(observer) {
    take_record_room();
  }
  RecordBuilder(const RecordBuilder&) = delete;
  RecordBuilder& operator=(const RecordBuilder&) = delete;

  // What the framer builds a record with.
  unsigned char* line_room() noexcept {
    // A stopped conversion has no room: the rest of the input is of no use.
    if (!has_line_room(body_end_) && !make_record_room()) return nullptr;
    line_offset_ = body_end_ + expected_mark_size_;
    return record_ + line_offset_;
  }
  void line_decoded(const TextLine& line) const noexcept {
    check_written(line_offset_ + line.size);
  }
  void start(LayoutKind layout, const TextLine& title_line, std::size_t title_start) noexcept;
  // Appends the line's text (without its line feed) to the body, after a page mark or not.
  // Returns false when the body has now grown past its limit: the recipe is left out.
  bool append_line(PageMark mark, const TextLine& line) noexcept;
  // Appends a page mark alone, without testing the limit.
  void append_page_mark() noexcept;
  // Reads every line up to the next marker line and appends it after a page mark, as the
  // framer's read_line(), line_is_marker() and append_line(PageMark::kBefore) would; returns how
  // the recipe ended.
  RecipeEnd append_lines_to_marker(TextReader& reader, const MarkerLine& marker) noexcept;
  void write() noexcept;
  // Keeps the title field of a recipe left out until its end is known.
  void abandon() noexcept;
  void left_out(const RecipePlace& place, std::int32_t records_before) noexcept;
  int error() const noexcept { return output_.error(); }
  // Recipes whose body grew past kBodyLimit: those left out.
  std::int32_t past_body_limit() const noexcept { return past_body_limit_; }
  void stop() noexcept {
    stopped_ = true;
    room_ = 0;
  }

 private:
  bool make_record_room() noexcept;
  void take_record_room() noexcept;

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

  OutputBuffer& output_;
  ConversionObserver* observer_;

  // The record being built, at record_ in the output buffer, which has room_ bytes from there
  // on: the title field, then the body up to body_end_; the current line lies at line_offset_,
  // after room for a page mark when the last body line of the recipe had one, since the next one
  // most likely will too.
  unsigned char* record_ = nullptr;
  std::size_t room_ = 0;
  std::size_t title_size_ = 0;
  std::size_t body_end_ = 0;
  std::size_t body_chars_ = 0;
  std::size_t line_offset_ = 0;
  std::size_t expected_mark_size_ = kPageMarkSize;
  bool stopped_ = false;  // a write failed, or the framer stopped
  std::int32_t past_body_limit_ = 0;

  std::size_t left_out_title_size_ = 0;
  unsigned char left_out_title_[TitleField::kMaxBytes];
};

// The layouts call this one for most body lines, so it is defined here, inline. A line's text is
// kept where it was decoded when the guess about its page mark was right, and moved by the size
// of a page mark when it was wrong.
inline bool RecordBuilder::append_line(PageMark mark, const TextLine& line) noexcept {
  // Everything is read before the record is written to, which the compiler cannot tell apart
  // from this builder.
  const std::size_t line_feed = line.ends_with_line_feed() ? 1 : 0;
  const std::size_t text_size = line.size - line_feed;
  const std::size_t text_chars = line.chars - line_feed;
  const std::size_t mark_size = mark == PageMark::kBefore ? kPageMarkSize : 0;
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
