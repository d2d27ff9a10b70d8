// The conversion of one file into another, as ConvertMXP and mxpconvert run it.
#ifndef MIRTABEL_CONVERT_CONVERT_FILES_H
#define MIRTABEL_CONVERT_CONVERT_FILES_H

#include "convert/convert_mxp.h"

namespace mirtabel {

// Opens the input, then creates the output, converts, and closes both. When the input cannot be
// opened the output is neither created nor touched; an output that names the input itself is
// refused with EINVAL and the input left intact. A failed close of the output is a failure too.
ConversionResult convert_files(const wchar_t* input_path, const wchar_t* output_path,
                               const ConversionOptions& options = {}) noexcept;

}  // namespace mirtabel

#endif
