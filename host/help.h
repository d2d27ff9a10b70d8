// The usage lines and the full help of mxpconvert.
#ifndef MIRTABEL_HOST_HELP_H
#define MIRTABEL_HOST_HELP_H

#include <string>

// The synopsis and where to find more, for a wrong command line.
std::string usage_text();

std::string help_text();

#endif
