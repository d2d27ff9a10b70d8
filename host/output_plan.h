// The batch form's outputs: each input's output file in the output directory, and the checks
// that no two inputs share an output and that no output, nor the side file for the recipes left
// out that may come with it, is another of the inputs.
#ifndef MIRTABEL_HOST_OUTPUT_PLAN_H
#define MIRTABEL_HOST_OUTPUT_PLAN_H

#include <filesystem>
#include <string>
#include <vector>

#include "host/file_conversion.h"

// The output for `input` in `directory`: the input's file name with its last extension replaced
// by `extension` (with ".txt", "a.mxp" and "a" give "a.txt", "a.b.mxp" gives "a.b.txt").
std::filesystem::path output_name(const std::filesystem::path& input,
                                  const std::filesystem::path& directory,
                                  const char* extension = ".txt");

struct OutputPlan {
  std::vector<FileJob> jobs;  // in the order of the inputs
  std::string error;          // set when the inputs cannot be converted together
};

// Pairs every input with its output of `format` in `directory`. Refuses two inputs that would be
// written to the same file, and an output or side file that is one of the other inputs (the
// conversion itself refuses an output that is its own input). Paths are compared after resolving
// ".", ".." and symbolic links, so different spellings of one file are caught too.
OutputPlan plan_outputs(const std::vector<std::filesystem::path>& inputs,
                        const std::filesystem::path& directory,
                        OutputFormat format = OutputFormat::kRecords);

#endif
