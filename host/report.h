// What mxpconvert tells its user: a line per converted file, the recipes left out, one line per
// failure, the progress line on a terminal and the closing summary.
#ifndef MIRTABEL_HOST_REPORT_H
#define MIRTABEL_HOST_REPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/command_line.h"
#include "host/file_conversion.h"
#include "host/output_plan.h"

// 1234567 as "1,234,567".
std::string grouped(std::uint64_t number);

// Why a conversion failed, in words; EINVAL, the only failure the conversion reports with it
// here, means the output names the input.
std::string failure_reason(int error);

class Report {
 public:
  // Messages go to `out`, failures to `err`. `progress` shows a progress line on `err`, which
  // should then be a terminal.
  Report(Verbosity verbosity, bool progress, std::FILE* out, std::FILE* err)
      : verbosity_(verbosity), progress_(progress), out_(out), err_(err) {}

  // Reports one file's outcome: its records and the recipes left out, or why it failed.
  void file(const FileJob& job, const FileOutcome& outcome);
  // Redraws the progress line: `finished` of `total` files done, `current` the latest.
  void progress(std::size_t finished, std::size_t total, const FileJob& current);
  // Clears the progress line and prints the totals.
  void summary(double seconds);

  std::size_t failed() const { return failed_; }

 private:
  void clear_progress();

  Verbosity verbosity_;
  bool progress_;
  std::FILE* out_;
  std::FILE* err_;
  std::size_t progress_width_ = 0;  // characters of the progress line now shown
  std::size_t files_ = 0;
  std::size_t failed_ = 0;
  std::uint64_t records_ = 0;
  std::uint64_t dropped_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::uint64_t bytes_written_ = 0;
};

#endif
