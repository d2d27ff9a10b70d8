#include "convert/record_scanner.h"

#include "convert/column_layout.h"
#include "convert/labelled_layout.h"
#include "convert/marker_line.h"

namespace mirtabel {
namespace {

constexpr unsigned char kLineFeed[] = {'\n'};

}  // namespace

std::int32_t RecordScanner::run() noexcept {
  if (!read_line()) return 0;  // an empty input has no marker line and no recipe
  marker_.copy_from(line_);
  first_line_end_ = reader_.offset();
  reuse_line_ = true;  // the first line is a marker line itself and starts the first recipe
  while (next_candidate()) {
    if (!line_is_marker()) continue;
    if (left_out_) report_left_out(line_begin_);
    recipe_begin_ = reader_.offset();
    if (!read_line() || !read_line()) break;  // the line after the marker, then the title line
    if (layout_ == nullptr) choose_layout();
    start_recipe();
    layout_->skip_header(*this);
    end_recipe(layout_->read_body(*this));
  }
  if (left_out_) report_left_out(reader_.offset());
  return records_;
}

void RecordScanner::start_recipe() noexcept {
  const std::size_t title_start = layout_->title_start(line_);
  title_.build(line_, title_start);
  body_.clear();
  in_recipe_ = true;
  if (listener_ != nullptr) listener_->recipe_started(layout_->kind(), line_, title_start);
}

void RecordScanner::end_recipe(RecipeEnd end) noexcept {
  in_recipe_ = false;
  line_pending_ = false;  // the marker line that ended the recipe, if any, starts the next one
  switch (end) {
    case RecipeEnd::kAtInputEnd:
      write_record();
      break;
    case RecipeEnd::kAtMarker:
      write_record();
      reuse_line_ = true;
      break;
    case RecipeEnd::kAbandoned:
      left_out_ = true;
      break;
  }
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

bool RecordScanner::next_candidate() noexcept {
  if (reuse_line_) {
    reuse_line_ = false;
    return true;
  }
  return read_line();
}

bool RecordScanner::has_failed() const noexcept {
  return reader_.error() != 0 || writer_.error() != 0 || listener_error_ != 0;
}

void RecordScanner::write_record() noexcept {
  // A recipe cut short by a failed read is not written: the conversion reports the failure.
  if (has_failed()) return;
  if (records_ == INT32_MAX) {
    count_overflowed_ = true;
    return;
  }
  if (listener_ != nullptr) {
    listener_error_ = listener_->recipe_ended();
    if (listener_error_ != 0) return;
  } else {
    writer_.write(title_.data(), title_.size());
    writer_.write(body_.data(), body_.size());
    writer_.write(kLineFeed, sizeof kLineFeed);
  }
  ++records_;
}

// The text of a recipe left out runs on to the next marker line that starts a recipe, or to
// the input's end, so it is reported once that is found. Its title field is still the last one
// built.
void RecordScanner::report_left_out(std::uint64_t end) noexcept {
  left_out_ = false;
  if (observer_ == nullptr || has_failed()) return;
  observer_->recipe_left_out({title_.data(), title_.size(), first_line_end_, recipe_begin_, end});
}

}  // namespace mirtabel
