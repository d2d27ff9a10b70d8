// Whether a stream shows on a terminal, where a progress line can be redrawn in place.
#ifndef MIRTABEL_HOST_TERMINAL_H
#define MIRTABEL_HOST_TERMINAL_H

#include <cstdio>

bool is_terminal(std::FILE* stream);

#endif
