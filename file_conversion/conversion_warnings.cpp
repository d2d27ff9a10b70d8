#include "file_conversion/conversion_warnings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "convert/marker_line.h"
#include "file_conversion/input_check.h"

namespace mirtabel {
namespace {

// A marker's text as a warning quotes it: at most 60 bytes, cut at a character's end, control
// characters shown as '?'.
struct Quoted {
  explicit Quoted(const char* text, std::size_t size) noexcept {
    std::size_t n = size < 60 ? size : 60;
    while (n > 0 && n < size && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
      --n;
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      bytes[i] = c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    std::strcpy(bytes + n, n < size ? "..." : "");
  }
  char bytes[64];
};

void add(InputChecks& checks, int kind, const char* format, ...) noexcept {
  if (checks.warning_count == InputChecks::kMaxWarnings) return;
  ConversionWarning& warning = checks.warnings[checks.warning_count++];
  warning.kind = kind;
  va_list values;
  va_start(values, format);
  std::vsnprintf(warning.text, sizeof warning.text, format, values);
  va_end(values);
}

// What would serve as the marker, when the scan found a line other than the first that opens
// recipes: "; recipes seem to start at line 2 ('...', which opens 16 recipes in the first
// 32 KiB): try --marker=auto", or "".
struct Suggestion {
  explicit Suggestion(const MarkerScan& scan) noexcept {
    text[0] = '\0';
    if (!scan.found || scan.line == 1) return;
    const Quoted marker(scan.text, scan.text_size);
    std::snprintf(text, sizeof text,
                  "; recipes seem to start at line %llu ('%s', which opens %u %s in the first "
                  "%zu KiB): try --marker=auto",
                  static_cast<unsigned long long>(scan.line), marker.bytes, scan.count,
                  scan.count == 1 ? "recipe" : "recipes", InputChecks::kStartBytes / 1024);
  }
  char text[256];
};

}  // namespace

void StartKeeper::reset(ByteSource& input) noexcept {
  input_ = &input;
  checks_.start_size = 0;
  replayed_ = 0;
  ahead_ = false;
}

ReadResult StartKeeper::read(unsigned char* buffer, std::size_t capacity) noexcept {
  if (ahead_ && replayed_ < checks_.start_size) {
    std::size_t n = checks_.start_size - replayed_;
    if (n > capacity) n = capacity;
    std::memcpy(buffer, checks_.start + replayed_, n);
    replayed_ += n;
    return {n, 0};
  }
  const ReadResult result = input_->read(buffer, capacity);
  if (!ahead_ && result.size > 0) {
    const std::size_t room = InputChecks::kStartBytes - checks_.start_size;
    const std::size_t kept = result.size < room ? result.size : room;
    std::memcpy(checks_.start + checks_.start_size, buffer, kept);
    checks_.start_size += kept;
  }
  return result;
}

int StartKeeper::read_ahead() noexcept {
  ahead_ = true;
  while (checks_.start_size < InputChecks::kStartBytes) {
    const ReadResult result = input_->read(checks_.start + checks_.start_size,
                                           InputChecks::kStartBytes - checks_.start_size);
    if (result.error != 0) return result.error;
    if (result.size == 0) break;
    checks_.start_size += result.size;
  }
  return 0;
}

void judge_warnings(InputChecks& checks, const WarningFacts& facts) noexcept {
  checks.warning_count = 0;
  const ConversionResult& result = *facts.conversion;
  const MarkerScan& scan = *facts.scan;
  const Suggestion suggestion(scan);
  const std::size_t recipes = facts.recipes > 0 ? static_cast<std::size_t>(facts.recipes) : 0;
  InputDoubt doubt =
      doubt_about(checks.start, checks.start_size, result.bytes_read, recipes, facts.encoding);
  // A marker that is given makes the first line an ordinary one.
  if (facts.marker_given && doubt != InputDoubt::kEmpty && doubt != InputDoubt::kUtf16WithoutMark &&
      doubt != InputDoubt::kNoRecipe) {
    doubt = InputDoubt::kNone;
  }
  if (doubt != InputDoubt::kNone) {
    add(checks,
        doubt == InputDoubt::kFirstLineEmpty ? MIRTABEL_WARNING_MARKER : MIRTABEL_WARNING_NOT_MXP,
        "does not look like an MXP recipe export: %s%s", doubt_reason(doubt),
        doubt == InputDoubt::kEmpty ? "" : suggestion.text);
  } else if (facts.marker_not_found) {
    add(checks, MIRTABEL_WARNING_MARKER,
        "has no line that opens recipes as MXP opens them: its first line marks them");
  } else if (!facts.marker_given && scan.first_line == MarkerScan::FirstLine::kSpacing) {
    add(checks, MIRTABEL_WARNING_MARKER,
        "has a first line of blanks only, yet that line marks where each recipe starts%s",
        suggestion.text);
  } else if (!facts.marker_given && scan.first_line_count == 1 && scan.found && scan.line > 1 &&
             scan.count > 1) {
    add(checks, MIRTABEL_WARNING_MARKER,
        "has a first line that is found only once, yet that line marks where each recipe "
        "starts%s",
        suggestion.text);
  }
  // Said once: a warning about the first line tells the cause already.
  if (checks.warning_count == 0 && recipes > 0 &&
      static_cast<std::size_t>(result.empty_titles) * 2 > recipes) {
    add(checks, MIRTABEL_WARNING_EMPTY_TITLES,
        "gave %d of its %zu %s an empty title: the marker line may not be the one that "
        "starts them%s",
        result.empty_titles, recipes, recipes == 1 ? "recipe" : "recipes",
        facts.marker_given ? "" : suggestion.text);
  }
  if (result.lines_but_for_spacing > 0) {
    add(checks, MIRTABEL_WARNING_JOINED,
        "holds %u %s that %s its marker line but for spacing, as where exports were joined into "
        "one file; the recipes they start were read as parts of others: try --marker=auto",
        result.lines_but_for_spacing, result.lines_but_for_spacing == 1 ? "line" : "lines",
        result.lines_but_for_spacing == 1 ? "is" : "are");
  }
}

}  // namespace mirtabel
