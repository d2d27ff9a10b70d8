// Command-line arguments as the wide-character paths the library takes.
#ifndef MIRTABEL_HOST_ARGUMENT_PATH_H
#define MIRTABEL_HOST_ARGUMENT_PATH_H

#include <string>

// Decodes a file name given as bytes, whatever the locale: UTF-8 sequences become their
// characters, and every other byte 0x80..0xFF becomes U+DC80..U+DCFF, which the library turns back
// into that byte, so that any name the system can hold reaches the library unchanged.
std::wstring argument_to_path(const char* argument);

#endif
