#include "host/report.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "host/argument_path.h"
#include "platform/file.h"
#include "recipes/convert_mxp_to_json.h"

namespace {

// The recipe limit as the library applies it, for the message that explains it.
constexpr char kBodyLimit[] = "9,500";

// A progress line fits an 80-column terminal.
constexpr std::size_t kProgressColumns = 79;

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return grouped(count) + " " + (count == 1 ? one : many);
}

// Where the copies of inputs that cannot be read twice are kept.
std::filesystem::path scratch_directory() {
#ifdef _WIN32
  std::error_code ignored;
  return std::filesystem::temp_directory_path(ignored);
#else
  return mirtabel::scratch_directory();
#endif
}

std::string megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
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

std::string output_failure_reason(const std::filesystem::path& output, int error, bool no_clobber) {
  if (is_standard_stream(output)) return failure_reason(error);
  if (error == EEXIST && no_clobber)
    return "it exists, and -n (--no-clobber) never replaces a file";
  if (error == ENOENT) {
    std::error_code ignored;
    const std::filesystem::path directory = output.parent_path();
    if (!directory.empty() && !std::filesystem::is_directory(directory, ignored)) {
      return "the directory " + quoted_name(directory) +
             " does not exist; create it first, or convert into it with -d DIR, which creates "
             "the directories it needs";
    }
  }
  std::string reason = failure_reason(error);
#ifdef _WIN32
  (void)output;
#else
  if (error != EACCES) return reason;
  // The file replaced is the one a symbolic link names, in that file's directory.
  std::error_code ignored;
  std::filesystem::path file = output;
  if (std::filesystem::is_symlink(output, ignored)) {
    const std::filesystem::path target = std::filesystem::canonical(output, ignored);
    if (!target.empty()) file = target;
  }
  std::filesystem::path directory = file.parent_path();
  if (directory.empty()) directory = ".";
  if (access(directory.c_str(), W_OK) != 0 && errno == EACCES) {
    reason += ": the directory " + quoted_name(directory) +
              " must be writable too, since an output is written there under a temporary name "
              "and takes its place only when complete";
  }
#endif
  return reason;
}

void Report::file(const FileJob& job, const FileOutcome& outcome) {
  clear_progress();
  ++files_;
  if (outcome.error != 0) {
    ++failed_;
    const bool output = outcome.failed == FailedPart::kOutput;
    if (output && outcome.error == EPIPE && is_standard_stream(job.output)) return;
    if (outcome.failed == FailedPart::kNotText) {
      std::fprintf(err_,
                   "mxpconvert: %s is %s, not an MXP text export; nothing was converted (--force "
                   "converts it all the same)\n",
                   quoted_name(job.input).c_str(), outcome.not_text);
      return;
    }
    if (outcome.failed == FailedPart::kScratch) {
      std::fprintf(err_,
                   "mxpconvert: cannot keep a copy of %s to read it twice in %s, the directory "
                   "for temporary files: %s\n",
                   quoted_name(job.input).c_str(), quoted_name(scratch_directory()).c_str(),
                   std::strerror(outcome.error));
      return;
    }
    // Name the file the failure concerns: the one the user has to look at.
    const char* verb = output                                      ? "write"
                       : outcome.failed == FailedPart::kConversion ? "convert"
                                                                   : "read";
    std::fprintf(err_, "mxpconvert: cannot %s %s: %s\n", verb,
                 quoted_name(output ? job.output : job.input, output).c_str(),
                 (output ? output_failure_reason(job.output, outcome.error, no_clobber_)
                         : failure_reason(outcome.error))
                     .c_str());
    return;
  }
  records_ += static_cast<std::uint64_t>(outcome.conversion.records);
  dropped_ += outcome.left_out;
  bytes_read_ += outcome.conversion.bytes_read;
  bytes_written_ += outcome.conversion.bytes_written;
  encoding_notice(job, outcome);
  if (!outcome.warnings.empty() || outcome.left_out > 0 || outcome.cut > 0 || outcome.too_long > 0)
    ++questionable_;
  // The warnings come first, so that the line that says what was written is not taken for all
  // there is to know.
  for (const std::string& warning : outcome.warnings) {
    std::fprintf(err_, "mxpconvert: warning: %s %s\n", quoted_name(job.input).c_str(),
                 printable(warning).c_str());
  }
  if (outcome.too_long > 0) {
    std::fprintf(err_,
                 "mxpconvert: warning: %s of %s longer than a record's %s characters, kept "
                 "whole here; so long a recipe may be several read as one\n",
                 plural(static_cast<std::uint64_t>(outcome.too_long), "recipe", "recipes").c_str(),
                 quoted_name(job.input).c_str(), kBodyLimit);
  }
  if (outcome.cut > 0) {
    cut_recipes(job, outcome);
  } else if (outcome.left_out == 0) {
    if (!outcome.left_out_file.empty()) stale_side_file(outcome);
  } else {
    left_out_recipes(job, outcome);
  }
  if (verbosity_ != Verbosity::kQuiet) {
    std::fprintf(
        err_, "%s written to %s\n",
        plural(static_cast<std::uint64_t>(outcome.conversion.records), "recipe", "recipes").c_str(),
        quoted_name(job.output, true).c_str());
  }
}

void Report::left_out_recipes(const FileJob& job, const FileOutcome& outcome) {
  std::string kept;
  if (outcome.left_out_file.empty()) {
    kept = "; give --left-out FILE to keep " +
           std::string(outcome.left_out == 1 ? "its text" : "their texts");
  } else if (outcome.side_file_error == 0) {
    kept = "; " + std::string(outcome.left_out == 1 ? "it is" : "they are") + " in " +
           quoted_name(outcome.left_out_file);
  }
  std::fprintf(err_, "mxpconvert: warning: %s of %s left out: %s longer than %s characters%s\n",
               plural(outcome.left_out, "recipe", "recipes").c_str(),
               quoted_name(job.input).c_str(),
               outcome.left_out == 1 ? "its text is" : "their texts are", kBodyLimit, kept.c_str());
  // Without a side file, the titles are all that is left of them.
  if (verbosity_ == Verbosity::kVerbose || outcome.left_out_file.empty()) {
    for (const std::string& title : outcome.dropped_titles) {
      std::fprintf(err_, "  left out: %s\n",
                   title.empty() ? "(no title)" : printable(title).c_str());
    }
  }
  if (outcome.side_file_error != 0) {
    ++failed_;
    std::fprintf(
        err_, "mxpconvert: cannot write %s for the recipes left out: %s\n",
        quoted_name(outcome.left_out_file, true).c_str(),
        output_failure_reason(outcome.left_out_file, outcome.side_file_error, no_clobber_).c_str());
  }
}

// How the input was read: said under -v, and whenever code page 437 was chosen, which changes
// characters that a reader of the records would otherwise blame on the file.
void Report::encoding_notice(const FileJob& job, const FileOutcome& outcome) {
  const mirtabel::EncodingChoice& choice = outcome.conversion.encoding;
  const bool dos = choice.ground == mirtabel::EncodingChoice::Ground::kSigns &&
                   (choice.encoding == mirtabel::InputEncoding::kUtf8Cp437 ||
                    choice.encoding == mirtabel::InputEncoding::kUtf8DosDegrees);
  if (verbosity_ == Verbosity::kQuiet || (verbosity_ != Verbosity::kVerbose && !dos)) return;
  char reason[256];
  mirtabel::describe_choice(choice, reason, sizeof reason);
  std::fprintf(err_, "mxpconvert: %s read as %s%s\n", quoted_name(job.input).c_str(), reason,
               dos ? " (-f names another encoding)" : "");
}

// The recipes written cut in JSON Lines (none is left out there), whole in the side file when
// there is one.
void Report::cut_recipes(const FileJob& job, const FileOutcome& outcome) {
  std::string kept;
  if (!outcome.left_out_file.empty() && outcome.side_file_error == 0) {
    kept = "; " + std::string(outcome.cut == 1 ? "it is" : "they are") + " whole in " +
           quoted_name(outcome.left_out_file);
  }
  std::fprintf(err_,
               "mxpconvert: warning: %s of %s too large to keep whole (more than %zu MiB of "
               "text or %s fields), written cut%s\n",
               plural(static_cast<std::uint64_t>(outcome.cut), "recipe", "recipes").c_str(),
               quoted_name(job.input).c_str(), mirtabel::kRoomyRecipeTextSize >> 20,
               grouped(mirtabel::kRoomyRecipeItemCount).c_str(), kept.c_str());
  if (verbosity_ == Verbosity::kVerbose) {
    for (const std::string& title : outcome.dropped_titles) {
      std::fprintf(err_, "  cut: %s\n", title.empty() ? "(no title)" : printable(title).c_str());
    }
  }
  if (outcome.side_file_error != 0) {
    ++failed_;
    std::fprintf(
        err_, "mxpconvert: cannot write %s for the recipes written cut: %s\n",
        quoted_name(outcome.left_out_file, true).c_str(),
        output_failure_reason(outcome.left_out_file, outcome.side_file_error, no_clobber_).c_str());
  }
}

void Report::stale_side_file(const FileOutcome& outcome) {
  const std::string name = quoted_name(outcome.left_out_file, true);
  if (outcome.side_file_error == 0) {
    std::fprintf(err_,
                 "mxpconvert: removed %s of an earlier run: no recipe was left out this time\n",
                 name.c_str());
  } else if (outcome.side_file_error == EEXIST) {
    std::fprintf(err_,
                 "mxpconvert: warning: %s is from an earlier run and kept (-n): no recipe was left "
                 "out this time\n",
                 name.c_str());
  } else {
    ++failed_;
    std::fprintf(err_, "mxpconvert: cannot remove %s of an earlier run: %s\n", name.c_str(),
                 std::strerror(outcome.side_file_error));
  }
}

void Report::progress(std::size_t finished, std::size_t total, std::uint64_t bytes,
                      std::uint64_t total_bytes, const FileJob& current, std::uint64_t again) {
  if (!progress_ || verbosity_ == Verbosity::kQuiet || (total == 1 && finished == 1)) return;
  const std::string of = total_bytes > 0 ? " of " + megabytes(total_bytes) : "";
  std::string line = "[" + std::to_string(finished) + "/" + std::to_string(total) + "] ";
  // Once every input has been read, a cookbook's second reading is what moves.
  if (again > 0 && total_bytes > 0 && bytes >= total_bytes) {
    line += "second reading " + megabytes(again) + of + " ";
  } else {
    line += megabytes(bytes) + of + (again > 0 ? ", second reading " + megabytes(again) : "") + " ";
  }
  line += tail(printable(display_name(current.input)), kProgressColumns - columns(line));
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

void Report::thread_failure(unsigned started, int error) {
  clear_progress();
  if (started == 0) {
    std::fprintf(err_, "mxpconvert: cannot start a thread to convert on: %s\n",
                 std::strerror(error));
  } else {
    std::fprintf(err_, "mxpconvert: warning: cannot start more threads (%s); converting on %u\n",
                 std::strerror(error), started);
  }
}

void Report::summary(double seconds) {
  clear_progress();
  if (verbosity_ == Verbosity::kQuiet) return;
  std::string files = failed_ == 0
                          ? plural(files_, "file", "files") + " converted"
                          : grouped(files_ - failed_) + " of " + plural(files_, "file", "files") +
                                " converted, " + grouped(failed_) + " failed";
  std::fprintf(err_, "%s: %s written, %s left out; %s read, %s written in %.2f s\n", files.c_str(),
               plural(records_, "recipe", "recipes").c_str(), grouped(dropped_).c_str(),
               plural(bytes_read_, "byte", "bytes").c_str(),
               plural(bytes_written_, "byte", "bytes").c_str(), seconds);
}
