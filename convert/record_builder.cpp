#include "convert/record_builder.h"

#include <cstring>

namespace mirtabel {
namespace {

// The most a record under construction takes, with the line decoded behind it: a title field, a
// body at the limit with the labelled layout's two unchecked page marks, each character in 4
// bytes, and the room of a line.
constexpr std::size_t kRecordRoom =
    TitleField::kMaxBytes + (RecordBuilder::kBodyLimit + 12) * 4 + RecordBuilder::kLineRoom;
static_assert(kRecordRoom <= OutputBuffer::kCapacity, "a record must fit in the output buffer");

}  // namespace

// The output buffer's room is taken once per record, and again only when a line may not fit.
void RecordBuilder::take_record_room() noexcept {
  record_ = output_.record();
  room_ = output_.room();
}

bool RecordBuilder::make_record_room() noexcept {
  if (stopped_) return false;
  if (!output_.make_room(body_end_, kLineRoom)) {
    stop();  // after a failed write the rest of the input is of no use
    return false;
  }
  take_record_room();
  return true;
}

// The title field is built over the title line, at the record's start.
void RecordBuilder::start(LayoutKind, const TextLine& title_line,
                          std::size_t title_start) noexcept {
  body_chars_ = 0;
  expected_mark_size_ = kPageMarkSize;
  title_size_ = TitleField::build(record_, title_line, title_start);
  check_written(title_size_);
  body_end_ = title_size_;
}

// The body of most recipes, line after line, with the record's state in locals: the compiler
// keeps them in registers, where the builder's own fields would be read again after every write
// to the record.
RecipeEnd RecordBuilder::append_lines_to_marker(TextReader& reader,
                                                const MarkerLine& marker) noexcept {
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
    if (!reader.read_line(record + line_offset, line)) {
      end = RecipeEnd::kAtInputEnd;
      break;
    }
    check_written(line_offset + line.size);
    if (marker.is_in(line)) {
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

void RecordBuilder::append_page_mark() noexcept {
  check_written(body_end_ + kPageMarkSize);
  std::memcpy(record_ + body_end_, kPageMark, kPageMarkSize);
  body_end_ += kPageMarkSize;
  body_chars_ += kPageMarkSize;
}

void RecordBuilder::write() noexcept {
  if (body_chars_ > kBodyLimit) ++past_body_limit_;
  check_written(body_end_ + 1);
  record_[body_end_] = '\n';  // over the marker line that ended it, if any
  output_.finish(body_end_ + 1);
  take_record_room();
  body_end_ = 0;
}

void RecordBuilder::abandon() noexcept {
  if (body_chars_ > kBodyLimit) ++past_body_limit_;
  if (observer_ != nullptr) {
    std::memcpy(left_out_title_, record_, title_size_);
    left_out_title_size_ = title_size_;
  }
  body_end_ = 0;
}

void RecordBuilder::left_out(const RecipePlace& place, std::int32_t records_before) noexcept {
  if (observer_ == nullptr) return;
  observer_->recipe_left_out(
      {left_out_title_, left_out_title_size_, place, records_before, LeftOutReason::kTooLong});
}

}  // namespace mirtabel
