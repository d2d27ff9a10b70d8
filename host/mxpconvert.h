// mxpconvert's work, apart from how the system hands over its command line.
#ifndef MIRTABEL_HOST_MXPCONVERT_H
#define MIRTABEL_HOST_MXPCONVERT_H

#include <filesystem>
#include <vector>

// Runs mxpconvert with the arguments that follow the program name; returns the exit status:
// 0 when every file was converted, 1 when any failed, 2 for wrong usage, 3 with --strict when
// recipes were left out or written cut or an input does not look like MXP.
int run_mxpconvert(const std::vector<std::filesystem::path>& arguments);

#endif
