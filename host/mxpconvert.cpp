#include "host/mxpconvert.h"

#include <mirtabel.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>

#include "host/argument_path.h"
#include "host/batch.h"
#include "host/command_line.h"
#include "host/file_conversion.h"
#include "host/help.h"
#include "host/output_plan.h"
#include "host/report.h"
#include "host/terminal.h"

namespace {

constexpr int kConverted = 0;
constexpr int kFailed = 1;
constexpr int kWrongUsage = 2;

int usage_error(const std::string& message) {
  std::fprintf(stderr, "mxpconvert: %s\n%s", message.c_str(), kUsage);
  return kWrongUsage;
}

// Hands the batch's events to the report.
class BatchReport final : public BatchListener {
 public:
  BatchReport(const std::vector<FileJob>& jobs, Report& report) : jobs_(jobs), report_(report) {}
  void file_done(std::size_t index, const FileOutcome& outcome) override {
    report_.file(jobs_[index], outcome);
  }
  void progress(std::size_t finished, std::size_t last) override {
    report_.progress(finished, jobs_.size(), jobs_[last]);
  }

 private:
  const std::vector<FileJob>& jobs_;
  Report& report_;
};

int convert_one(const CommandLine& line) {
  const FileJob job{line.inputs[0], line.output};
  Report report(line.verbosity, false, stdout, stderr);
  report.file(job, convert_file(job.input, job.output, line.verbosity == Verbosity::kVerbose));
  return report.failed() == 0 ? kConverted : kFailed;
}

int convert_batch(const CommandLine& line) {
  const OutputPlan plan = plan_outputs(line.inputs, line.output);
  if (!plan.error.empty()) return usage_error(plan.error);
  std::error_code error;
  std::filesystem::create_directories(line.output, error);
  if (error) {
    std::fprintf(stderr, "mxpconvert: cannot create the output directory %s: %s\n",
                 display_name(line.output).c_str(), error.message().c_str());
    return kFailed;
  }

  unsigned threads = line.jobs;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const bool progress = plan.jobs.size() > 1 && is_terminal(stderr);
  Report report(line.verbosity, progress, stdout, stderr);
  BatchReport listener(plan.jobs, report);
  const auto start = std::chrono::steady_clock::now();
  convert_all(plan.jobs, threads, line.verbosity == Verbosity::kVerbose, listener);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  report.summary(elapsed.count());
  return report.failed() == 0 ? kConverted : kFailed;
}

}  // namespace

int run_mxpconvert(const std::vector<std::filesystem::path>& arguments) {
  const CommandLine line = parse_command_line(arguments);
  if (!line.error.empty()) return usage_error(line.error);
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(kHelp, stdout);
      return kConverted;
    case CommandLine::Action::kVersion:
      std::printf("mxpconvert %s\n", MIRTABEL_VERSION_STRING);
      return kConverted;
    case CommandLine::Action::kConvert:
      break;
  }
  return line.batch ? convert_batch(line) : convert_one(line);
}
