#include "convert/marker_scan.h"

#include <cstring>
#include <memory>
#include <new>

#include "convert/marker_line.h"
#include "platform/byte_stream.h"
#include "platform/simd_path.h"
#include "platform/text_reader.h"

namespace mirtabel {
namespace {

// A column-layout header runs at most this many lines from its title to its rule.
constexpr std::size_t kHeaderLines = 12;
// The lines remembered: an opener, the line after it, the title and the header.
constexpr std::size_t kRemembered = kHeaderLines + 4;
// Distinct openers counted; later ones are of no use, since the first that recurs is taken.
constexpr std::size_t kOpeners = 16;

struct Seen {
  unsigned char text[MarkerScan::kMaxTextBytes];
  std::size_t size = 0;
  bool blank = true;
  bool too_long = false;
  bool rule = false;
};

struct Opener {
  unsigned char text[MarkerScan::kMaxTextBytes];
  std::size_t size = 0;
  std::uint64_t line = 0;
  std::uint32_t count = 0;
};

// What the scan takes, too much for a worker thread's stack.
struct Scanning {
  Scanning(ByteSource& source, InputEncoding encoding)
      : reader(source, encoding, stop_marker(chosen_simd_path())) {}

  TextReader reader;
  unsigned char line_bytes[TextLine::kMaxBytes];
  Seen seen[kRemembered];
  Opener openers[kOpeners];
  std::size_t opener_count = 0;
};

void remember(const TextLine& line, Seen& seen) {
  std::size_t size = line.size;
  while (size > 0 && is_spacing(line.bytes[size - 1]))
    --size;
  std::size_t begin = 0;
  while (begin < size && is_spacing(line.bytes[begin]))
    ++begin;
  seen.blank = begin == size;
  seen.too_long = size - begin > MarkerScan::kMaxTextBytes;
  seen.size = seen.too_long ? 0 : size - begin;
  std::memcpy(seen.text, line.bytes + begin, seen.size);
  seen.rule = is_header_rule(line);
}

// Counts an opener's text, or adds it while there is room.
void note_opener(Scanning& scan, const Seen& seen, std::uint64_t line) {
  if (seen.blank || seen.too_long || seen.rule) return;
  for (std::size_t i = 0; i < scan.opener_count; ++i) {
    Opener& opener = scan.openers[i];
    if (same_but_spacing(opener.text, opener.size, seen.text, seen.size)) {
      ++opener.count;
      return;
    }
  }
  if (scan.opener_count == kOpeners) return;
  Opener& opener = scan.openers[scan.opener_count++];
  std::memcpy(opener.text, seen.text, seen.size);
  opener.size = seen.size;
  opener.line = line;
  opener.count = 1;
}

}  // namespace

bool is_header_rule(const TextLine& line) noexcept {
  if (!line.contains("--------")) return false;
  std::size_t hyphens = 0;
  std::size_t others = 0;
  for (std::size_t i = 0; i < line.size; ++i) {
    const unsigned char c = line.bytes[i];
    if (c == '-') {
      ++hyphens;
    } else if (!is_spacing(c)) {
      ++others;
    }
  }
  return hyphens >= others;
}

MarkerScan scan_markers(const unsigned char* bytes, std::size_t size,
                        InputEncoding encoding) noexcept {
  MarkerScan result;
  BytesSource source(bytes, size);
  const std::unique_ptr<Scanning> scan(new (std::nothrow) Scanning(source, encoding));
  if (!scan) return result;
  TextLine line;
  Seen first;
  std::uint64_t n = 0;          // lines read
  std::uint64_t last_rule = 0;  // the number of the last rule line, from 1; 0: none yet
  std::uint64_t confirmed = 0;  // openers up to this line number have been looked at
  bool in_line = false;         // the last piece read ended inside a line longer than a read
  while (scan->reader.read_line(scan->line_bytes, line)) {
    // A line longer than a read comes in pieces; it is one line, known by its first piece.
    const bool continuation = in_line;
    in_line = !line.ends_with_line_feed();
    if (continuation) continue;
    ++n;
    Seen& seen = scan->seen[n % kRemembered];
    remember(line, seen);
    if (n == 1) {
      first = seen;
      result.first_line = line.text_size() == 0 ? MarkerScan::FirstLine::kEmpty
                          : seen.blank          ? MarkerScan::FirstLine::kSpacing
                                                : MarkerScan::FirstLine::kText;
    }
    if (!first.blank && !first.too_long && !seen.too_long &&
        same_but_spacing(first.text, first.size, seen.text, seen.size)) {
      ++result.first_line_count;
    }
    if (n >= 3 && line.contains("Title:")) {
      note_opener(*scan, scan->seen[(n - 2) % kRemembered], n - 2);
      if (confirmed < n - 2) confirmed = n - 2;
    } else if (seen.rule) {
      // Every line up to a title that the rule ends the header of, with no rule in between.
      const std::uint64_t earliest = n > kHeaderLines + 2 ? n - kHeaderLines - 2 : 1;
      for (std::uint64_t i = earliest > confirmed + 1 ? earliest : confirmed + 1; i + 3 <= n; ++i) {
        if (i + 2 <= last_rule) continue;  // the title must follow the last rule
        const Seen& title = scan->seen[(i + 2) % kRemembered];
        if (!title.blank && !title.rule) note_opener(*scan, scan->seen[i % kRemembered], i);
      }
      if (n >= 3 && confirmed < n - 3) confirmed = n - 3;
      last_rule = n;
    }
  }
  // The earliest opener that recurs, or else the earliest.
  const Opener* best = nullptr;
  for (std::size_t i = 0; i < scan->opener_count; ++i) {
    const Opener& opener = scan->openers[i];
    const bool recurs = opener.count > 1;
    const bool best_recurs = best != nullptr && best->count > 1;
    if (best == nullptr || (recurs && !best_recurs) ||
        (recurs == best_recurs && opener.line < best->line)) {
      best = &opener;
    }
  }
  if (best != nullptr) {
    result.found = true;
    std::memcpy(result.text, best->text, best->size);
    result.text[best->size] = '\0';
    result.text_size = best->size;
    result.line = best->line;
    result.count = best->count;
  }
  return result;
}

}  // namespace mirtabel
