// One file's conversion as mxpconvert runs it: the library's conversion core on the two files,
// with what the exported function does not return: the bytes read and written, and the recipes
// left out for their length.
#ifndef MIRTABEL_HOST_FILE_CONVERSION_H
#define MIRTABEL_HOST_FILE_CONVERSION_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FileOutcome {
  std::int32_t records = 0;    // records written
  int error = 0;               // 0, or the errno value of the failure, as ConvertMXP reports it
  bool output_failed = false;  // the failure concerns the output file, not the input
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_written = 0;
  std::size_t dropped = 0;                  // recipes left out for their length
  std::vector<std::string> dropped_titles;  // their titles (UTF-8), when asked for
};

// Converts `input` into `output` exactly as ConvertMXP does: the input is opened first and the
// output is not created when that fails, and an output that names the input is refused (EINVAL).
// Safe to run on several threads at once for different files.
FileOutcome convert_file(const std::filesystem::path& input, const std::filesystem::path& output,
                         bool keep_titles);

#endif
