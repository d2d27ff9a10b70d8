// The record scanner: reads MXP text line by line, frames each recipe between marker lines,
// builds its title field and body with the rules of the file's layout, and writes one record
// per finished recipe: the title field, the body and a line feed.
#ifndef MIRTABEL_CONVERT_RECORD_SCANNER_H
#define MIRTABEL_CONVERT_RECORD_SCANNER_H

#include <cstddef>
#include <cstdint>

#include "convert/conversion_options.h"
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
  // The options' observer, when given, hears of every recipe left out; their listener, when
  // given, receives every recipe's lines and nothing is written.
  RecordScanner(TextReader& reader, TextWriter& writer, const ConversionOptions& options) noexcept
      : reader_(reader),
        writer_(writer),
        observer_(options.observer),
        listener_(options.listener) {}
  RecordScanner(const RecordScanner&) = delete;
  RecordScanner& operator=(const RecordScanner&) = delete;

  // Converts the whole input. Returns the number of records written; when reading or writing
  // failed, the scan stops early and the reader or the writer holds the error.
  std::int32_t run() noexcept;

  // True when the input held more records than the count can express; the scan stopped there.
  bool count_overflowed() const noexcept { return count_overflowed_; }
  // 0, or the errno value with which the listener failed; the scan stopped there.
  int listener_error() const noexcept { return listener_error_; }

  // What the layouts build a recipe with; called for every line, so defined below, inline.
  bool read_line() noexcept;  // the next line into line(); false at the end of the input
  const TextLine& line() const noexcept { return line_; }
  bool line_is_marker() const noexcept { return contains_marker(line_, marker_); }
  // A listener builds its own output from the lines, so the body is then neither kept nor limited.
  void append_page_mark() noexcept {
    if (listener_ == nullptr) body_.append(kPageMark, sizeof kPageMark, sizeof kPageMark);
  }
  void append_line_text() noexcept {  // the current line's text, without its line feed
    if (listener_ == nullptr) body_.append(line_.bytes, line_.text_size(), line_.text_chars());
  }
  bool body_is_over_limit() const noexcept { return body_.is_over_limit(); }

 private:
  bool next_candidate() noexcept;
  void choose_layout() noexcept;
  void start_recipe() noexcept;
  void end_recipe(RecipeEnd end) noexcept;
  void write_record() noexcept;
  void report_left_out(std::uint64_t end) noexcept;
  bool has_failed() const noexcept;

  TextReader& reader_;
  TextWriter& writer_;
  ConversionObserver* observer_;
  RecipeListener* listener_;
  const Layout* layout_ = nullptr;
  bool reuse_line_ = false;  // examine line() again instead of reading the next line
  bool count_overflowed_ = false;
  int listener_error_ = 0;
  bool in_recipe_ = false;        // past the title line of a recipe
  bool line_pending_ = false;     // line() belongs to the recipe and the listener has not had it
  bool left_out_ = false;         // the last recipe was left out; its end is not known yet
  std::uint64_t line_begin_ = 0;  // input offset of line()
  std::uint64_t first_line_end_ = 0;  // input offset just past the marker line
  std::uint64_t recipe_begin_ = 0;    // input offset of the line after the recipe's marker line
  std::int32_t records_ = 0;
  TitleField title_;
  TextLine line_;
  TextLine marker_;
  RecipeBody body_;

  static constexpr unsigned char kPageMark[] = {'[', 'P', 'A', 'G', 'E', ']'};
};

inline bool RecordScanner::read_line() noexcept {
  // A recipe's line goes to the listener once the next read shows that it did not end the
  // recipe.
  if (line_pending_) {
    line_pending_ = false;
    listener_->recipe_line(line_);
  }
  // After a failed write the rest of the input is of no use.
  if (writer_.error() != 0 || count_overflowed_ || listener_error_ != 0) return false;
  line_begin_ = reader_.offset();
  if (!reader_.read_line(line_)) return false;
  line_pending_ = in_recipe_ && listener_ != nullptr;
  return true;
}

}  // namespace mirtabel

#endif
