// The record scanner: reads MXP text line by line, frames each recipe between marker lines,
// builds its title field and body with the rules of the file's layout, and writes one record
// per finished recipe: the title field, the body and a line feed.
#ifndef MIRTABEL_CONVERT_RECORD_SCANNER_H
#define MIRTABEL_CONVERT_RECORD_SCANNER_H

#include <cstddef>
#include <cstdint>

#include "convert/conversion_observer.h"
#include "convert/layout.h"
#include "convert/marker_line.h"
#include "convert/recipe_body.h"
#include "convert/title_field.h"
#include "platform/text_line.h"
#include "platform/text_reader.h"
#include "platform/text_writer.h"

namespace mirtabel {

class RecordScanner {
 public:
  // `observer`, when given, hears of every recipe left out.
  RecordScanner(TextReader& reader, TextWriter& writer,
                ConversionObserver* observer = nullptr) noexcept
      : reader_(reader), writer_(writer), observer_(observer) {}
  RecordScanner(const RecordScanner&) = delete;
  RecordScanner& operator=(const RecordScanner&) = delete;

  // Converts the whole input. Returns the number of records written; when reading or writing
  // failed, the scan stops early and the reader or the writer holds the error.
  std::int32_t run() noexcept;

  // True when the input held more records than the count can express; the scan stopped there.
  bool count_overflowed() const noexcept { return count_overflowed_; }

  // What the layouts build a recipe with; called for every line, so defined below, inline.
  bool read_line() noexcept;  // the next line into line(); false at the end of the input
  const TextLine& line() const noexcept { return line_; }
  bool line_is_marker() const noexcept { return contains_marker(line_, marker_); }
  void append_page_mark() noexcept { body_.append(kPageMark, sizeof kPageMark, sizeof kPageMark); }
  void append_line_text() noexcept {  // the current line's text, without its line feed
    body_.append(line_.bytes, line_.text_size(), line_.text_chars());
  }
  bool body_is_over_limit() const noexcept { return body_.is_over_limit(); }

 private:
  bool next_candidate() noexcept;
  void choose_layout() noexcept;
  void write_record() noexcept;
  void drop_record() noexcept;
  bool has_failed() const noexcept;

  TextReader& reader_;
  TextWriter& writer_;
  ConversionObserver* observer_;
  const Layout* layout_ = nullptr;
  bool reuse_line_ = false;  // examine line() again instead of reading the next line
  bool count_overflowed_ = false;
  std::int32_t records_ = 0;
  TitleField title_;
  TextLine line_;
  TextLine marker_;
  RecipeBody body_;

  static constexpr unsigned char kPageMark[] = {'[', 'P', 'A', 'G', 'E', ']'};
};

inline bool RecordScanner::read_line() noexcept {
  // After a failed write the rest of the input is of no use.
  return writer_.error() == 0 && !count_overflowed_ && reader_.read_line(line_);
}

}  // namespace mirtabel

#endif
