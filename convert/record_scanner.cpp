#include "convert/record_scanner.h"

#include <cstring>

#include "convert/column_layout.h"
#include "convert/labelled_layout.h"

namespace mirtabel {
namespace {

// The most a record under construction takes, with the line decoded behind it: a title field, a
// body at the limit with the labelled layout's two unchecked page marks, each character in 4
// bytes, and the room of a line.
constexpr std::size_t kRecordRoom =
    TitleField::kMaxBytes + (RecordScanner::kBodyLimit + 12) * 4 + RecordScanner::kLineRoom;
static_assert(kRecordRoom <= OutputBuffer::kCapacity, "a record must fit in the output buffer");

}  // namespace

std::int32_t RecordScanner::run() noexcept {
  if (!hold_marker()) return 0;  // no marker line, and no recipe
  first_line_end_ = reader_.offset();
  // The first line is a marker line itself and starts the first recipe. A recipe left out is
  // followed by a search for the next marker line, which tells where its text ends.
  std::uint64_t marker_begin = 0;
  for (bool at_marker = true; at_marker || at_next_marker(marker_begin);) {
    if (left_out_) report_left_out(marker_begin);
    recipe_begin_ = reader_.offset();
    if (!read_line() || !read_line()) break;  // the line after the marker, then the title line
    if (layout_ == nullptr) choose_layout();
    start_recipe();
    const std::optional<RecipeEnd> end_in_header = layout_->skip_header(*this);
    at_marker = end_recipe(end_in_header ? *end_in_header : layout_->read_body(*this));
  }
  if (left_out_) report_left_out(reader_.offset());
  return records_;
}

// The marker is the first line, or the one the options give, before whose first occurrence
// every line is skipped. Returns false when no line is the marker.
bool RecordScanner::hold_marker() noexcept {
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

// Lines before, between and after recipes are skipped.
bool RecordScanner::at_next_marker(std::uint64_t& marker_begin) noexcept {
  for (;;) {
    marker_begin = reader_.offset();
    if (!read_line()) return false;
    if (line_is_marker()) return true;
  }
}

// The output buffer's room is taken once per record, and again only when a line may not fit.
void RecordScanner::take_record_room() noexcept {
  record_ = output_.record();
  room_ = output_.room();
}

bool RecordScanner::make_record_room() noexcept {
  if (stopped_) return false;
  if (!output_.make_room(body_end_, kLineRoom)) {
    stop();  // after a failed write the rest of the input is of no use
    return false;
  }
  take_record_room();
  return true;
}

void RecordScanner::stop() noexcept {
  stopped_ = true;
  room_ = 0;
}

void RecordScanner::deliver_pending_line() noexcept {
  line_pending_ = false;
  listener_->recipe_line(line_);
}

// The first recipe's title line decides the layout of the whole file. A labelled file would be
// read again from its first line with the labelled rules, and that read would meet the same
// marker line, the same next line and this same title line; going on from here with those rules
// gives the same records without reading anything twice, and also converts input that cannot be
// read twice, such as a pipe.
void RecordScanner::choose_layout() noexcept {
  if (line_.contains("Title:")) {
    layout_ = &kLabelledLayout;
  } else {
    layout_ = &kColumnLayout;
  }
}

// The title field is built over the title line, at the record's start.
void RecordScanner::start_recipe() noexcept {
  const std::size_t title_start = layout_->title_start(line_);
  std::size_t title_end = line_.size;
  while (title_end > title_start && is_spacing(line_.bytes[title_end - 1]))
    --title_end;
  if (title_start >= title_end) ++empty_titles_;
  lines_to_listener_ = listener_ != nullptr;
  body_chars_ = 0;
  expected_mark_size_ = kPageMarkSize;
  if (listener_ != nullptr) {
    listener_->recipe_started(layout_->kind(), line_, title_start);
    return;
  }
  title_size_ = TitleField::build(record_, line_, title_start);
  check_written(title_size_);
  body_end_ = title_size_;
}

// The body of most recipes, line after line, with the record's state in locals: the compiler
// keeps them in registers, where the scanner's own fields would be read again after every write
// to the record. With a listener the lines are taken one by one.
RecipeEnd RecordScanner::append_lines_to_marker() noexcept {
  if (listener_ != nullptr) {
    for (;;) {
      if (!read_line()) return RecipeEnd::kAtInputEnd;
      if (line_is_marker()) return RecipeEnd::kAtMarker;
      body_chars_ += kPageMarkSize + line_.text_chars();  // counted, for the limit
    }
  }
  unsigned char* record = record_;
  std::size_t body_end = body_end_;
  std::size_t body_chars = body_chars_;
  RecipeEnd end;
  for (;;) {
    if (!has_line_room(body_end)) {
      body_end_ = body_end;
      if (!make_record_room()) {
        end = RecipeEnd::kAtInputEnd;
        break;
      }
      record = record_;
    }
    const std::size_t line_offset = body_end + kPageMarkSize;
    TextLine line;
    if (!reader_.read_line(record + line_offset, line)) {
      end = RecipeEnd::kAtInputEnd;
      break;
    }
    check_written(line_offset + line.size);
    if (marker_.is_in(line)) {
      end = RecipeEnd::kAtMarker;
      break;
    }
    const std::size_t line_feed = line.ends_with_line_feed() ? 1 : 0;
    std::memcpy(record + body_end, kPageMark, kPageMarkSize);
    body_end = line_offset + line.size - line_feed;
    body_chars += kPageMarkSize + line.chars - line_feed;
    if (body_chars > kBodyLimit) {
      end = RecipeEnd::kAbandoned;
      break;
    }
  }
  body_end_ = body_end;
  body_chars_ = body_chars;
  expected_mark_size_ = kPageMarkSize;
  return end;
}

void RecordScanner::append_page_mark() noexcept {
  if (listener_ != nullptr) {
    body_chars_ += kPageMarkSize;
    return;
  }
  check_written(body_end_ + kPageMarkSize);
  std::memcpy(record_ + body_end_, kPageMark, kPageMarkSize);
  body_end_ += kPageMarkSize;
  body_chars_ += kPageMarkSize;
}

// Returns whether the recipe ended at a marker line, which then starts the next one.
bool RecordScanner::end_recipe(RecipeEnd end) noexcept {
  lines_to_listener_ = false;
  line_pending_ = false;  // the marker line that ended the recipe, if any, starts the next one
  if (body_chars_ > kBodyLimit) ++past_body_limit_;
  if (end == RecipeEnd::kAbandoned) {
    keep_left_out_title();
  } else {
    write_record();
  }
  body_end_ = 0;
  return end == RecipeEnd::kAtMarker;
}

bool RecordScanner::has_failed() const noexcept {
  return reader_.error() != 0 || output_.error() != 0 || listener_error_ != 0;
}

void RecordScanner::write_record() noexcept {
  // A recipe cut short by a failed read is not written: the conversion reports the failure.
  if (has_failed()) return;
  if (records_ == INT32_MAX) {
    count_overflowed_ = true;
    stop();
    return;
  }
  if (listener_ != nullptr) {
    listener_error_ = listener_->recipe_ended();
    if (listener_error_ != 0) {
      stop();
      return;
    }
  } else {
    check_written(body_end_ + 1);
    record_[body_end_] = '\n';  // over the marker line that ended it, if any
    output_.finish(body_end_ + 1);
    take_record_room();
  }
  ++records_;
}

// The text of a recipe left out runs on to the next marker line that starts a recipe, or to the
// input's end, so it is reported once that is found; its title field is kept until then.
void RecordScanner::keep_left_out_title() noexcept {
  left_out_ = true;
  if (observer_ == nullptr) return;
  std::memcpy(left_out_title_, record_, title_size_);
  left_out_title_size_ = title_size_;
}

void RecordScanner::report_left_out(std::uint64_t end) noexcept {
  left_out_ = false;
  if (observer_ == nullptr || has_failed()) return;
  observer_->recipe_left_out(
      {left_out_title_, left_out_title_size_, first_line_end_, recipe_begin_, end, records_});
}

}  // namespace mirtabel
