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
  reuse_line_ = true;  // the first line is a marker line itself and starts the first recipe
  while (next_candidate()) {
    if (!line_is_marker()) continue;
    if (!read_line() || !read_line()) break;  // the line after the marker, then the title line
    if (layout_ == nullptr) choose_layout();
    title_.build(line_, layout_->title_start(line_));
    body_.clear();
    layout_->skip_header(*this);
    switch (layout_->read_body(*this)) {
      case RecipeEnd::kAtInputEnd:
        write_record();
        break;
      case RecipeEnd::kAtMarker:
        write_record();
        reuse_line_ = true;
        break;
      case RecipeEnd::kAbandoned:
        drop_record();
        break;
    }
  }
  return records_;
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
  return reader_.error() != 0 || writer_.error() != 0;
}

void RecordScanner::write_record() noexcept {
  // A recipe cut short by a failed read is not written: the conversion reports the failure.
  if (has_failed()) return;
  if (records_ == INT32_MAX) {
    count_overflowed_ = true;
    return;
  }
  writer_.write(title_.data(), title_.size());
  writer_.write(body_.data(), body_.size());
  writer_.write(kLineFeed, sizeof kLineFeed);
  ++records_;
}

void RecordScanner::drop_record() noexcept {
  if (observer_ != nullptr && !has_failed())
    observer_->recipe_dropped(title_.data(), title_.size());
}

}  // namespace mirtabel
