// The conversion of one file into another, as ConvertMXP runs it.
#ifndef MIRTABEL_CONVERT_CONVERT_FILES_H
#define MIRTABEL_CONVERT_CONVERT_FILES_H

#include "convert/convert_mxp.h"
#include "platform/file.h"

namespace mirtabel {

// Opens the input, then prepares the output, converts, and commits the output: a regular output
// file is written under a temporary name and takes its own name only when the conversion has
// succeeded (see OutputFile). When the input cannot be opened the output is not touched; an
// output that names the input itself is refused with EINVAL and the input left intact. A failed
// read, write, close or rename is a failure, after which the output's path holds what it held
// before, or nothing if it held nothing.
ConversionResult convert_files(const wchar_t* input_path, const wchar_t* output_path,
                               const ConversionOptions& options = {},
                               const OutputOptions& output_options = {}) noexcept;

}  // namespace mirtabel

#endif
