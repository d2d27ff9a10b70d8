// The line client: the recipe framer's client that hands every recipe's lines to a
// RecipeListener, decoded into a line buffer of its own, and writes nothing.
#ifndef MIRTABEL_CONVERT_RECIPE_LINES_H
#define MIRTABEL_CONVERT_RECIPE_LINES_H

#include <cstddef>
#include <cstdint>

#include "convert/conversion_observer.h"
#include "convert/layout.h"
#include "convert/marker_line.h"
#include "convert/recipe_listener.h"
#include "convert/record_builder.h"
#include "platform/text_line.h"
#include "platform/text_reader.h"

namespace mirtabel {

class RecipeLines {
 public:
  static constexpr bool kTakesEveryLine = true;

  explicit RecipeLines(RecipeListener& listener) noexcept : listener_(listener) {}
  RecipeLines(const RecipeLines&) = delete;
  RecipeLines& operator=(const RecipeLines&) = delete;

  unsigned char* line_room() noexcept { return stopped_ ? nullptr : line_; }
  void line_decoded(const TextLine&) const noexcept {}
  void start(LayoutKind layout, const TextLine& title_line, std::size_t title_start) noexcept {
    body_chars_ = 0;
    listener_.recipe_started(layout, title_line, title_start);
  }
  void line(const TextLine& line, LinePiece piece) noexcept { listener_.recipe_line(line, piece); }
  // The listener builds its own output from the lines, and no recipe is too long for it: the
  // size its record's body would have is only counted.
  bool append_line(PageMark mark, const TextLine& line) noexcept {
    const std::size_t line_feed = line.ends_with_line_feed() ? 1 : 0;
    body_chars_ += (mark == PageMark::kBefore ? kPageMarkSize : 0) + line.chars - line_feed;
    return true;
  }
  void append_page_mark() noexcept { body_chars_ += kPageMarkSize; }
  int write(const RecipePlace& place, std::int32_t recipes_before) noexcept {
    if (body_chars_ > kBodyLimit) ++past_body_limit_;
    error_ = listener_.recipe_ended(place, recipes_before);
    return error_;
  }
  void abandon() noexcept {}
  void left_out(const RecipePlace&, std::int32_t) noexcept {}
  int error() const noexcept { return error_; }
  void stop() noexcept { stopped_ = true; }
  // Recipes whose record body would have grown past the records' limit.
  std::int32_t past_body_limit() const noexcept { return past_body_limit_; }

 private:
  static constexpr std::size_t kPageMarkSize = 6;  // the records' "[PAGE]"
  static constexpr std::size_t kBodyLimit = RecordBuilder::kBodyLimit;

  RecipeListener& listener_;
  std::size_t body_chars_ = 0;
  std::int32_t past_body_limit_ = 0;
  int error_ = 0;  // the errno value with which the listener failed
  bool stopped_ = false;
  unsigned char line_[TextLine::kMaxBytes];
};

}  // namespace mirtabel

#endif
