#include "host/mxpconvert.h"

#include <mirtabel.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "host/argument_path.h"
#include "host/batch.h"
#include "host/command_line.h"
#include "host/file_conversion.h"
#include "host/help.h"
#include "host/interruption.h"
#include "host/output_plan.h"
#include "host/report.h"
#include "host/terminal.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kConverted = 0;
constexpr int kFailed = 1;
constexpr int kWrongUsage = 2;
constexpr int kQuestionable = 3;  // with --strict: recipes left out, or not MXP

// Files a conversion holds open at most at once (input, a copy of a piped input, the output's
// directory and its temporary file), and those the program keeps besides.
constexpr unsigned kFilesPerConversion = 5;
constexpr unsigned kFilesKept = 16;

int usage_error(const std::string& message) {
  std::fprintf(stderr, "mxpconvert: %s\n%s", message.c_str(), usage_text().c_str());
  return kWrongUsage;
}

// Prints help or version text on standard output, which may fail like any output.
int print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return kConverted;
  if (errno != EPIPE) {
    std::fprintf(stderr, "mxpconvert: cannot write standard output: %s\n", std::strerror(errno));
  }
  return kFailed;
}

// Whether `path` is an existing file that holds MXP recipes, read as `encoding` says: one named
// like an archive (.mxp, .mx2, .mmf) with anything in it, or one whose start reads as MXP. A
// file that cannot be read is not judged.
bool holds_recipes(const fs::path& path, mirtabel::InputEncoding encoding) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size == 0) return false;
  const std::string extension = lowercase_extension(path);
  if (extension == ".mxp" || extension == ".mx2" || extension == ".mmf") return true;
  mirtabel::InputFile file;
  if (file.open(mirtabel::NativePath(path.c_str())) != 0) return false;
  // As much as the warnings about inputs look at.
  std::unique_ptr<unsigned char[]> start(new unsigned char[kInputStartBytes]);
  std::size_t kept = 0;
  while (kept < kInputStartBytes) {
    const mirtabel::ReadResult read = file.read(start.get() + kept, kInputStartBytes - kept);
    if (read.error != 0) return false;
    if (read.size == 0) break;
    kept += read.size;
  }
  // Any one recipe will do: the first must have MXP's layout.
  return doubt_about(start.get(), kept, size, 1, encoding) == InputDoubt::kNone;
}

// The second operand is taken as the output, as it always was; but when a shell pattern names
// two archives, the second is no output to replace. Says so and returns false for an OUTPUT
// operand that holds recipes, unless --force or -o was given.
bool output_may_be_replaced(const CommandLine& line) {
  if (!line.output_is_operand || line.force) return true;
  std::error_code error;
  // An output that is the input itself is refused with its own reason.
  if (!is_standard_stream(line.inputs[0]) && fs::equivalent(line.inputs[0], line.output, error)) {
    return true;
  }
  if (!holds_recipes(line.output, line.encoding)) return true;
  std::fprintf(stderr,
               "mxpconvert: %s holds MXP recipes and would be replaced by the records of %s; to "
               "convert several files, name a directory with -d DIR; to replace it, name it "
               "with -o FILE or add --force\n",
               quoted_name(line.output).c_str(), quoted_name(line.inputs[0]).c_str());
  return false;
}

// The file --left-out names must be neither the output, whose rename would replace it, nor the
// input, under any spelling. Says so and returns false for one that is.
bool side_file_is_its_own(const CommandLine& line) {
  if (line.left_out.empty()) return true;
  const char* other = nullptr;
  if (!is_standard_stream(line.output) && names_one_file(line.left_out, line.output)) {
    other = "output";
  } else if (!is_standard_stream(line.inputs[0]) && names_one_file(line.left_out, line.inputs[0])) {
    other = "input";
  }
  if (other == nullptr) return true;
  usage_error("--left-out must name another file than the " + std::string(other));
  return false;
}

// As many conversions as the limit on open files allows at once.
unsigned open_file_bound() {
#ifndef _WIN32
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const rlim_t free = limit.rlim_cur > kFilesKept ? limit.rlim_cur - kFilesKept : 0;
    return static_cast<unsigned>(std::clamp<rlim_t>(free / kFilesPerConversion, 1, kMaxJobs));
  }
#endif
  return kMaxJobs;
}

// The bytes of all inputs, for the progress line; 0 when one of them is not a regular file.
std::uint64_t total_size(const std::vector<FileJob>& jobs) {
  std::uint64_t total = 0;
  for (const FileJob& job : jobs) {
    std::error_code error;
    if (is_standard_stream(job.input) || !fs::is_regular_file(job.input, error)) return 0;
    total += fs::file_size(job.input, error);
  }
  return total;
}

// Hands the batch's events to the report.
class BatchReport final : public BatchListener {
 public:
  BatchReport(const std::vector<FileJob>& jobs, Report& report,
              const std::atomic<std::uint64_t>& bytes_read,
              const std::atomic<std::uint64_t>& bytes_read_again)
      : jobs_(jobs),
        report_(report),
        bytes_read_(bytes_read),
        bytes_read_again_(bytes_read_again),
        total_bytes_(total_size(jobs)) {}
  void file_done(std::size_t index, const FileOutcome& outcome) override {
    report_.file(jobs_[index], outcome);
  }
  void progress(std::size_t finished, std::size_t last) override {
    report_.progress(finished, jobs_.size(), bytes_read_.load(), total_bytes_, jobs_[last],
                     bytes_read_again_.load());
  }

 private:
  const std::vector<FileJob>& jobs_;
  Report& report_;
  const std::atomic<std::uint64_t>& bytes_read_;
  const std::atomic<std::uint64_t>& bytes_read_again_;
  const std::uint64_t total_bytes_;
};

int convert(const CommandLine& line) {
  std::vector<FileJob> jobs;
  if (line.batch()) {
    OutputPlan plan = plan_outputs(line.inputs, line.output_dir, line.format);
    if (!plan.error.empty()) {
      std::fprintf(stderr, "mxpconvert: %s; nothing was converted\n", plan.error.c_str());
      return kWrongUsage;
    }
    std::error_code error;
    fs::create_directories(line.output_dir, error);
    if (error) {
      std::fprintf(stderr, "mxpconvert: cannot create the directory %s: %s\n",
                   quoted_name(line.output_dir).c_str(), error.message().c_str());
      return kFailed;
    }
    jobs = std::move(plan.jobs);
  } else {
    if (!side_file_is_its_own(line) || !output_may_be_replaced(line)) return kWrongUsage;
    jobs.push_back({line.inputs[0], line.output});
  }

  unsigned threads = line.jobs != 0 ? line.jobs : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>({threads, open_file_bound(), jobs.size()}));
  const bool records_on_terminal =
      !line.batch() && is_standard_stream(line.output) && is_terminal(stdout);
  Report report(line.verbosity, is_terminal(stderr) && !records_on_terminal, stderr,
                line.no_clobber);
  std::atomic<std::uint64_t> bytes_read{0};
  std::atomic<std::uint64_t> bytes_read_again{0};  // by the cookbook's second readings
  BatchReport listener(jobs, report, bytes_read, bytes_read_again);
  const ConversionSettings settings{
      line.format,   line.encoding, line.no_clobber, line.verbosity == Verbosity::kVerbose,
      line.left_out, line.title,    line.marker,     line.force};
  // Two for each worker: its output's and its side file's.
  std::unique_ptr<mirtabel::TemporaryFileNote[]> notes(
      new mirtabel::TemporaryFileNote[2 * threads]);
  remove_temporary_files_on_interruption(notes.get(), 2 * threads);
  const auto start = std::chrono::steady_clock::now();
  const BatchResult result = run_batch(
      jobs.size(), threads,
      [&](std::size_t job, unsigned worker) {
        return convert_file(jobs[job], settings, &bytes_read, &notes[2 * worker],
                            &bytes_read_again);
      },
      listener);
  stop_removing_temporary_files();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  if (result.thread_error != 0) report.thread_failure(result.threads, result.thread_error);
  if (result.threads == 0) return kFailed;
  if (line.batch()) {
    report.summary(elapsed.count());
  } else {
    report.clear_progress();
  }
  if (report.failed() > 0) return kFailed;
  return line.strict && report.questionable() > 0 ? kQuestionable : kConverted;
}

}  // namespace

int run_mxpconvert(const std::vector<fs::path>& arguments) {
  report_failed_writes_instead_of_signals();
  try {
    const CommandLine line = parse_command_line(arguments);
    if (!line.error.empty()) return usage_error(line.error);
    switch (line.action) {
      case CommandLine::Action::kHelp:
        return print(help_text());
      case CommandLine::Action::kVersion:
        return print(std::string("mxpconvert ") + MIRTABEL_VERSION_STRING + "\n");
      case CommandLine::Action::kConvert:
        break;
    }
    // Nothing named to convert, and nobody will type MXP text: the user needs the usage.
    if (!line.batch() && !line.input_named && is_terminal(stdin)) {
      return usage_error("no input: name a file to convert, or pipe one into mxpconvert");
    }
    return convert(line);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "mxpconvert: out of memory\n");
    return kFailed;
  }
}
