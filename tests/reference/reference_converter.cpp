#include "tests/reference/reference_converter.h"

#include <cstddef>
#include <optional>
#include <vector>

#include "tests/reference/reference_text.h"

namespace mirtabel::reference {
namespace {

constexpr std::size_t kTitleFieldChars = 100;
constexpr std::size_t kBodyLimit = 9500;
constexpr std::size_t kMarkerStoreChars = 999;  // a store of 1,000 with its terminator
constexpr std::size_t kShortLine = 5;           // ends a labelled header or list block
constexpr std::size_t kTinyLine = 3;            // starts a new paragraph
const std::wstring kPageMark = L"[PAGE]";
const std::wstring kTitleLabel = L"Title:";
const std::wstring kRule = L"--------";

enum class Layout { kUndecided, kColumn, kLabelled };
enum class RecipeEnd { kAtInputEnd, kAtMarker, kAbandoned };

bool contains(const std::wstring& line, const std::wstring& text) {
  return line.find(text) != std::wstring::npos;
}

// A line without its final character, the line feed; a line read without one keeps all its
// characters.
std::wstring line_text(const std::wstring& line) {
  if (!line.empty() && line.back() == L'\n') return line.substr(0, line.size() - 1);
  return line;
}

class Conversion {
 public:
  Conversion(std::vector<std::wstring> lines, RuleCoverage& coverage)
      : lines_(std::move(lines)), coverage_(coverage) {}

  Converted run();

 private:
  bool read_line();
  bool is_marker_line() const { return contains(line_, marker_); }
  bool read_marker_line();
  bool recipe_framing_loop();
  bool decide_layout();
  std::optional<std::size_t> column_title_start() const;
  std::optional<std::size_t> labelled_title_start() const;
  void build_title_field(std::optional<std::size_t> start);
  void append_line(const std::wstring& page_mark);
  bool body_is_over_the_limit();
  RecipeEnd column_recipe();
  RecipeEnd labelled_recipe();
  RecipeEnd labelled_paragraphs();
  void end_recipe(RecipeEnd end);
  void write_record();

  const std::vector<std::wstring> lines_;
  RuleCoverage& coverage_;
  std::size_t next_line_ = 0;
  std::wstring line_;  // the line store
  std::wstring marker_;
  bool reuse_ = false;
  Layout layout_ = Layout::kUndecided;
  std::wstring title_field_;
  std::wstring body_;
  Converted converted_;
};

// The line reader: the next line into the line store; false at the end of the input.
bool Conversion::read_line() {
  if (next_line_ == lines_.size()) return false;
  line_ = lines_[next_line_++];
  return true;
}

// The input's first line is the marker line, and the first recipe starts at it. An empty input
// has none.
bool Conversion::read_marker_line() {
  if (!read_line()) return false;
  marker_ = line_;
  reuse_ = true;
  // The whole line is the marker, however long: the library keeps a store large enough.
  if (marker_.size() > kMarkerStoreChars) coverage_.note(Rule::kFirstLineOver999);
  if (marker_.back() != L'\n') coverage_.note(Rule::kMarkerWithoutLineFeed);
  return true;
}

// The column scan runs first; when the first title line holds "Title:" it stops at once, and the
// input is read again from its start with the labelled rules.
Converted Conversion::run() {
  if (!read_marker_line()) return converted_;
  if (recipe_framing_loop()) return converted_;
  next_line_ = 0;
  read_marker_line();
  recipe_framing_loop();
  return converted_;
}

// The recipe framing loop, shared by both scans. Returns false when the column scan stopped to
// let the labelled one run instead.
bool Conversion::recipe_framing_loop() {
  for (;;) {
    // 1. The next candidate line: the one in the store again, or the next one read.
    if (reuse_) {
      reuse_ = false;
    } else if (!read_line()) {
      return true;
    }
    // 2. Lines that are not marker lines are skipped.
    if (!is_marker_line()) continue;
    // 3. The line after the marker line is discarded; the one after it is the title line.
    if (!read_line() || !read_line()) return true;
    // 4. The first recipe's title line decides the layout.
    if (layout_ == Layout::kUndecided && !decide_layout()) return false;
    // 5. The title field, with the layout's title rule. 6. An empty body.
    build_title_field(layout_ == Layout::kColumn ? column_title_start() : labelled_title_start());
    body_.clear();
    // 7. The layout's header skip and body rules end the recipe one of three ways.
    end_recipe(layout_ == Layout::kColumn ? column_recipe() : labelled_recipe());
  }
}

// Made once, in the column scan: "Title:" in the first title line chooses the labelled layout;
// no later title line is tested.
bool Conversion::decide_layout() {
  if (contains(line_, kTitleLabel)) {
    coverage_.note(Rule::kLabelledLayout);
    layout_ = Layout::kLabelled;
    return false;
  }
  coverage_.note(Rule::kColumnLayout);
  layout_ = Layout::kColumn;
  return true;
}

// Column title rule: the first of the first 100 characters that is not a space; the line feed and
// the line's end count as such a character. None when all 100 are spaces.
std::optional<std::size_t> Conversion::column_title_start() const {
  if (contains(line_, kTitleLabel)) coverage_.note(Rule::kLabelInLaterColumnTitle);
  for (std::size_t i = 0; i < kTitleFieldChars; ++i) {
    if (i == line_.size() || line_[i] != L' ') return i;
  }
  return std::nullopt;
}

// Labelled title rule: two characters after the first colon among the first 100 characters, the
// colon and the one character after it being skipped. A surrogate pair is one character.
std::optional<std::size_t> Conversion::labelled_title_start() const {
  for (std::size_t i = 0; i < kTitleFieldChars && i < line_.size(); ++i) {
    if (line_[i] != L':') continue;
    std::size_t start = i + 1;
    if (start < line_.size()) start += is_high_surrogate(line_[start]) ? 2 : 1;
    return start;
  }
  return std::nullopt;
}

// The title field: 100 spaces, over which the title text is copied, at most 100 characters of
// it. A title that would end inside a surrogate pair ends before it.
void Conversion::build_title_field(std::optional<std::size_t> start) {
  title_field_.assign(kTitleFieldChars, L' ');
  if (!start) {
    coverage_.note(Rule::kNoTitleStart);
    return;
  }
  const std::wstring text = line_text(line_);
  if (*start >= text.size()) return;
  std::wstring title = text.substr(*start);
  if (title.size() > kTitleFieldChars) {
    coverage_.note(Rule::kTitleCut);
    title.resize(kTitleFieldChars);
    if (is_high_surrogate(title.back())) {
      coverage_.note(Rule::kTitleCutBeforePair);
      title.pop_back();
    }
  }
  title_field_.replace(0, title.size(), title);
}

// A body line's contribution: the page mark, if any, and the line's text.
void Conversion::append_line(const std::wstring& page_mark) {
  body_ += page_mark;
  body_ += line_text(line_);
}

// Tested right after a line's contribution has been appended.
bool Conversion::body_is_over_the_limit() {
  if (body_.size() <= kBodyLimit) return false;
  if (body_.size() == kBodyLimit + 1) coverage_.note(Rule::kAbandonedOneOverTheLimit);
  return true;
}

// Column layout: header lines up to and including the first that holds a rule of hyphens; then
// every line up to the next marker line is a page of the body. A marker line ends the recipe in
// its header too.
RecipeEnd Conversion::column_recipe() {
  for (;;) {
    if (!read_line()) return RecipeEnd::kAtInputEnd;
    if (is_marker_line()) {
      coverage_.note(Rule::kMarkerInColumnHeader);
      return RecipeEnd::kAtMarker;
    }
    if (contains(line_, kRule)) break;
  }
  for (;;) {
    if (!read_line()) return RecipeEnd::kAtInputEnd;
    if (is_marker_line()) return RecipeEnd::kAtMarker;
    append_line(kPageMark);
    if (body_is_over_the_limit()) return RecipeEnd::kAbandoned;
  }
}

// Labelled layout: header lines up to and including the first short one; then the list block,
// one page per line, up to a short line, which adds two page marks and leads into the paragraph
// block. A marker line, however short, ends the recipe in the header and the list block too.
RecipeEnd Conversion::labelled_recipe() {
  for (;;) {
    if (!read_line()) return RecipeEnd::kAtInputEnd;
    if (is_marker_line()) {
      coverage_.note(Rule::kMarkerInLabelledHeader);
      return RecipeEnd::kAtMarker;
    }
    if (line_.size() <= kShortLine) break;
  }
  for (;;) {
    if (!read_line()) return RecipeEnd::kAtInputEnd;
    if (is_marker_line()) {
      coverage_.note(line_.size() <= kShortLine ? Rule::kShortMarkerEndsList
                                                : Rule::kMarkerEndsList);
      return RecipeEnd::kAtMarker;
    }
    if (line_.size() <= kShortLine) {
      body_ += kPageMark + kPageMark;
      return labelled_paragraphs();
    }
    append_line(kPageMark);
    if (body_is_over_the_limit()) return RecipeEnd::kAbandoned;
  }
}

// The paragraph block: lines are joined with nothing between them, except a tiny line and, once
// a line has been joined, a line whose 4th and 5th characters are spaces: each of those starts
// with a page mark.
RecipeEnd Conversion::labelled_paragraphs() {
  bool joined = false;
  for (;;) {
    if (!read_line()) return RecipeEnd::kAtInputEnd;
    if (is_marker_line()) {
      coverage_.note(Rule::kMarkerEndsParagraphs);
      return RecipeEnd::kAtMarker;
    }
    const bool indented = line_.size() >= 5 && line_[3] == L' ' && line_[4] == L' ';
    if (line_.size() <= kTinyLine) {
      coverage_.note(Rule::kTinyParagraphLine);
      append_line(kPageMark);
    } else if (indented && joined) {
      coverage_.note(Rule::kIndentedLineAfterJoin);
      append_line(kPageMark);
    } else {
      if (indented) coverage_.note(Rule::kIndentedLineJoined);
      append_line(L"");
      joined = true;
    }
    if (body_is_over_the_limit()) return RecipeEnd::kAbandoned;
  }
}

// Written at the input's end; written at a marker line, which then starts the next recipe; or
// abandoned, nothing written.
void Conversion::end_recipe(RecipeEnd end) {
  switch (end) {
    case RecipeEnd::kAtInputEnd:
      coverage_.note(Rule::kRecordAtInputEnd);
      write_record();
      break;
    case RecipeEnd::kAtMarker:
      coverage_.note(Rule::kRecordAtMarker);
      write_record();
      reuse_ = true;
      break;
    case RecipeEnd::kAbandoned:
      coverage_.note(Rule::kAbandoned);
      break;
  }
}

// A record: the title field, the body and a line feed.
void Conversion::write_record() {
  if (body_.size() == kBodyLimit) coverage_.note(Rule::kBodyOfExactlyTheLimit);
  if (body_.size() > kBodyLimit) coverage_.note(Rule::kBodyPastTheLimitWritten);
  converted_.output += encode_utf8(title_field_ + body_ + L"\n");
  ++converted_.records;
}

}  // namespace

Converted convert(const std::string& input, RuleCoverage& coverage) {
  return Conversion(read_lines(input, coverage), coverage).run();
}

Converted convert(const std::string& input) {
  RuleCoverage ignored;
  return convert(input, ignored);
}

}  // namespace mirtabel::reference
