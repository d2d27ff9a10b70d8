// File names as the user is shown them.
#ifndef MIRTABEL_HOST_ARGUMENT_PATH_H
#define MIRTABEL_HOST_ARGUMENT_PATH_H

#include <filesystem>
#include <string>

// Whether two paths name one file, or the one place a new file would take, however they are
// spelt ("d/./f", a hard or a symbolic link); false when either cannot be looked at.
bool names_one_file(const std::filesystem::path& a, const std::filesystem::path& b);

// The path's bytes as given on POSIX, UTF-8 on Windows.
std::string display_name(const std::filesystem::path& path);

// The path's last extension with its ASCII letters in lower case: ".JSONL" for "a.b.JSONL" gives
// ".jsonl"; "" when there is none.
std::string lowercase_extension(const std::filesystem::path& path);

// UTF-8 text as it may be shown on a terminal: every control character (C0, DEL and C1, which
// could move the cursor or start an escape sequence), every bidirectional control (U+202A to
// U+202E, U+2066 to U+2069, which could show a name's characters in another order) and every
// byte that is not valid UTF-8 becomes '?'.
std::string printable(const std::string& text);

// A file name as messages show it: printable and in quotes ('recipes.mxp'), or "standard input"
// or "standard output" for "-".
std::string quoted_name(const std::filesystem::path& path, bool output = false);

#endif
