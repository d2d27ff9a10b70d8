#include "host/report.h"

#include <cerrno>
#include <cstring>

#include "host/argument_path.h"

namespace {

// The recipe limit as the library applies it, for the message that explains it.
constexpr char kBodyLimit[] = "9,500";

// A progress line fits an 80-column terminal.
constexpr std::size_t kProgressColumns = 79;

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return grouped(count) + " " + (count == 1 ? one : many);
}

// A title as one printable line: control characters become '?'.
std::string printable_title(const std::string& title) {
  if (title.empty()) return "(no title)";
  std::string text = title;
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

// Characters in UTF-8 text: bytes that do not continue a sequence.
std::size_t columns(const std::string& text) {
  std::size_t n = 0;
  for (const char c : text)
    n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The last `keep` characters of `text`, after "...", when it is longer than that.
std::string tail(const std::string& text, std::size_t keep) {
  std::size_t excess = columns(text);
  if (excess <= keep) return text;
  excess -= keep - 3;
  std::size_t i = 0;
  while (excess > 0 || (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) --excess;
    ++i;
  }
  return "..." + text.substr(i);
}

}  // namespace

std::string grouped(std::uint64_t number) {
  std::string digits = std::to_string(number);
  for (std::size_t i = digits.size(); i > 3; i -= 3)
    digits.insert(i - 3, 1, ',');
  return digits;
}

std::string failure_reason(int error) {
  if (error == EINVAL) return "the output path names the input file";
  return std::strerror(error);
}

void Report::file(const FileJob& job, const FileOutcome& outcome) {
  clear_progress();
  ++files_;
  if (outcome.error != 0) {
    ++failed_;
    // Name the file the failure concerns: the one the user has to look at.
    const bool output = outcome.output_failed;
    std::fprintf(err_, "mxpconvert: cannot %s %s: %s\n", output ? "write" : "read",
                 display_name(output ? job.output : job.input).c_str(),
                 failure_reason(outcome.error).c_str());
    std::fflush(err_);
    return;
  }
  records_ += static_cast<std::uint64_t>(outcome.records);
  dropped_ += outcome.dropped;
  bytes_read_ += outcome.bytes_read;
  bytes_written_ += outcome.bytes_written;
  if (verbosity_ == Verbosity::kQuiet) return;
  std::fprintf(out_, "%s written to %s\n",
               plural(static_cast<std::uint64_t>(outcome.records), "recipe", "recipes").c_str(),
               display_name(job.output).c_str());
  if (outcome.dropped > 0) {
    std::fprintf(out_, "%s of %s left out: %s longer than %s characters\n",
                 plural(outcome.dropped, "recipe", "recipes").c_str(),
                 display_name(job.input).c_str(),
                 outcome.dropped == 1 ? "its text is" : "their texts are", kBodyLimit);
  }
  if (verbosity_ == Verbosity::kVerbose) {
    for (const std::string& title : outcome.dropped_titles)
      std::fprintf(out_, "  left out: %s\n", printable_title(title).c_str());
  }
  std::fflush(out_);
}

void Report::progress(std::size_t finished, std::size_t total, const FileJob& current) {
  if (!progress_ || verbosity_ == Verbosity::kQuiet) return;
  std::string line = "[" + std::to_string(finished) + "/" + std::to_string(total) + "] ";
  line += tail(display_name(current.input), kProgressColumns - columns(line));
  const std::size_t width = columns(line);
  // Spaces cover what is left of a longer line before.
  if (width < progress_width_) line.append(progress_width_ - width, ' ');
  std::fprintf(err_, "\r%s", line.c_str());
  std::fflush(err_);
  progress_width_ = width;
}

void Report::clear_progress() {
  if (progress_width_ == 0) return;
  std::fprintf(err_, "\r%s\r", std::string(progress_width_, ' ').c_str());
  std::fflush(err_);
  progress_width_ = 0;
}

void Report::summary(double seconds) {
  clear_progress();
  if (verbosity_ == Verbosity::kQuiet) return;
  std::string files = failed_ == 0
                          ? plural(files_, "file", "files") + " converted"
                          : grouped(files_ - failed_) + " of " + plural(files_, "file", "files") +
                                " converted, " + grouped(failed_) + " failed";
  std::fprintf(out_, "%s: %s written, %s left out; %s read, %s written in %.2f s\n", files.c_str(),
               plural(records_, "recipe", "recipes").c_str(), grouped(dropped_).c_str(),
               plural(bytes_read_, "byte", "bytes").c_str(),
               plural(bytes_written_, "byte", "bytes").c_str(), seconds);
  std::fflush(out_);
}
