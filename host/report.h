// What mxpconvert tells its user, all of it on standard error so that standard output carries
// only records: a line per converted file, warnings about recipes left out and inputs that do
// not look like MXP, one line per failure, the progress line on a terminal and the closing
// summary. Every name and title is shown printable, so that no file can send control sequences
// to the terminal.
#ifndef MIRTABEL_HOST_REPORT_H
#define MIRTABEL_HOST_REPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/command_line.h"
#include "host/file_conversion.h"

// 1234567 as "1,234,567".
std::string grouped(std::uint64_t number);

// Why a conversion failed, in words; EINVAL, the only failure the conversion reports with it
// here, means the output names the input.
std::string failure_reason(int error);

// Why `output` could not be written, in words. A file is replaced by writing a new one beside
// it, so a writable file in a directory that is not writable is refused: that is said; so is a
// missing directory, and an existing file that -n (`no_clobber`) keeps.
std::string output_failure_reason(const std::filesystem::path& output, int error,
                                  bool no_clobber = false);

class Report {
 public:
  // `progress` shows a progress line on `err`, which should then be a terminal; `no_clobber`
  // says that -n was given, to name it when it refuses to replace a file.
  Report(Verbosity verbosity, bool progress, std::FILE* err, bool no_clobber = false)
      : verbosity_(verbosity), progress_(progress), err_(err), no_clobber_(no_clobber) {}

  // Reports one file's outcome: its records, the recipes left out, doubts about the input, or
  // why it failed. A closed pipe on standard output fails quietly: the reader has gone.
  void file(const FileJob& job, const FileOutcome& outcome);
  // Redraws the progress line: `finished` of `total` files done, `bytes` of `total_bytes` read
  // (0 when not known) and `again` read a second time for a cookbook, `current` the file
  // finished last. Nothing is drawn for a single file that is done.
  void progress(std::size_t finished, std::size_t total, std::uint64_t bytes,
                std::uint64_t total_bytes, const FileJob& current, std::uint64_t again = 0);
  // Says that only `started` of the worker threads could be started, and why.
  void thread_failure(unsigned started, int error);
  // Clears the progress line and prints the totals.
  void summary(double seconds);
  // Clears the progress line.
  void clear_progress();

  std::size_t failed() const { return failed_; }
  // Files converted with recipes left out or written cut, or with a doubt about the input.
  std::size_t questionable() const { return questionable_; }

 private:
  // Says what became of a side file that an earlier run left (see FileOutcome::left_out_file).
  void stale_side_file(const FileOutcome& outcome);
  void cut_recipes(const FileJob& job, const FileOutcome& outcome);
  void left_out_recipes(const FileJob& job, const FileOutcome& outcome);
  void encoding_notice(const FileJob& job, const FileOutcome& outcome);

  Verbosity verbosity_;
  bool progress_;
  std::FILE* err_;
  bool no_clobber_;
  std::size_t progress_width_ = 0;  // characters of the progress line now shown
  std::size_t files_ = 0;
  std::size_t failed_ = 0;
  std::size_t questionable_ = 0;
  std::uint64_t records_ = 0;
  std::uint64_t dropped_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::uint64_t bytes_written_ = 0;
};

#endif
