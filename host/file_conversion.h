// One file's conversion as mxpconvert runs it: the conversion core between a file or a standard
// stream and another, with what the exported function does not give: the bytes read and written,
// the recipes left out with their text kept in a side file, and doubts about the input.
#ifndef MIRTABEL_HOST_FILE_CONVERSION_H
#define MIRTABEL_HOST_FILE_CONVERSION_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "file_conversion/file_conversion.h"

// An input and where its records go; "-" names the standard input or output.
struct FileJob {
  std::filesystem::path input;
  std::filesystem::path output;
};

bool is_standard_stream(const std::filesystem::path& path);

using mirtabel::OutputFormat;

struct ConversionSettings {
  OutputFormat format = OutputFormat::kRecords;
  mirtabel::InputEncoding encoding = mirtabel::InputEncoding::kChoose;
  bool no_clobber = false;   // refuse to replace existing files
  bool keep_titles = false;  // keep the titles of the recipes left out, to name them
  // The side file for the text of the recipes left out, instead of left_out_name()'s.
  std::filesystem::path left_out;
  // The cookbook's title (UTF-8), instead of its input's name without the extension.
  std::optional<std::string> title;
  // The marker line, or "auto", instead of the input's first line.
  std::optional<std::string> marker;
  bool force = false;  // convert an input that looks binary
};

using mirtabel::FailedPart;

// The core's outcome, with what the tool shows besides.
struct FileOutcome : mirtabel::FileOutcome {
  std::vector<std::string> dropped_titles;  // the titles (UTF-8) of the recipes left out, when kept
  std::filesystem::path left_out_file;      // where their text went (or was to go); empty: nowhere
  // With none left out, left_out_file names a side file of an earlier run, which was removed
  // (side_file_error 0), kept for -n (EEXIST), or could not be removed (the errno value).
  // The conversion's warnings about the input (UTF-8, to follow its name), as the C API's
  // warning callback hears them.
  std::vector<std::string> warnings;
  std::int32_t too_long = 0;  // in JSON Lines or HTML: recipes past the records' body limit
};

// Where the text of the recipes left out goes unless a name is given: beside an output file,
// named after it, each format's its own so that runs into outputs of one stem keep theirs apart:
// the records' "out.txt" gives "out.left-out.mxp", JSON Lines' "out.jsonl" gives
// "out.jsonl.left-out.mxp" and the cookbook's "out.html" "out.html.left-out.mxp". Nowhere (an
// empty path) for an output written in place (standard output, a device), since a filter must
// not leave files behind in the current directory unasked.
std::filesystem::path left_out_name(const FileJob& job, OutputFormat format, bool output_in_place);

// Converts `job.input` into `job.output` as ConvertMXP does: the input is opened first and the
// output is not touched when that fails, an output that names the input is refused (EINVAL), and
// a regular output file is replaced only once complete. Then, when recipes were left out, writes
// their text, as it stood in the input, to the side file that `settings` names or else to
// left_out_name(), if any, with the output file's access (the input's for an output written in
// place); without one their titles are kept. When none was left out nor written cut, removes the
// file at left_out_name() (not a directory, nor the input), which an earlier run left, unless
// `settings.no_clobber`. An input that looks binary is refused (kNotText) unless `settings.force`,
// before its records are put in place. Adds the bytes read to `bytes_read` as they arrive (those of
// the cookbook's second reading to `bytes_read_again`), and notes temporary files in `notes`, two
// of them: the output's and the side file's. Safe to run on several threads at once for
// different files.
FileOutcome convert_file(const FileJob& job, const ConversionSettings& settings,
                         std::atomic<std::uint64_t>* bytes_read = nullptr,
                         mirtabel::TemporaryFileNote* notes = nullptr,
                         std::atomic<std::uint64_t>* bytes_read_again = nullptr);

#endif
