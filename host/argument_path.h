// Command-line arguments as the wide-character paths the library takes, and file names as the
// user is shown them.
#ifndef MIRTABEL_HOST_ARGUMENT_PATH_H
#define MIRTABEL_HOST_ARGUMENT_PATH_H

#include <filesystem>
#include <string>

// Decodes a file name given as bytes, whatever the locale: UTF-8 sequences become their
// characters, and every other byte 0x80..0xFF becomes U+DC80..U+DCFF, which the library turns back
// into that byte, so that any name the system can hold reaches the library unchanged.
std::wstring argument_to_path(const char* argument);

// The path as the conversion opens it: on POSIX its bytes decoded as above, on Windows its
// UTF-16 text as it is.
std::wstring library_path(const std::filesystem::path& path);

// The path as printed in messages: its bytes as given on POSIX, UTF-8 on Windows.
std::string display_name(const std::filesystem::path& path);

#endif
