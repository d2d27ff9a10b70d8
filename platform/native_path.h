// Wide-character paths as the operating system takes them.
#ifndef MIRTABEL_PLATFORM_NATIVE_PATH_H
#define MIRTABEL_PLATFORM_NATIVE_PATH_H

#include <cstddef>

namespace mirtabel {

// The longest path, in bytes with its terminator, that a POSIX path may take here.
inline constexpr std::size_t kMaxNativePath = 4096;

// Encodes a wide path as the UTF-8 bytes a POSIX system opens. The code points U+DC80 to U+DCFF
// stand for the raw bytes 0x80 to 0xFF, so that names which are not valid UTF-8 survive the round
// trip through wchar_t. Returns 0, ENAMETOOLONG, or EILSEQ for a character no path can hold.
int to_native_path(const wchar_t* path, char (&out)[kMaxNativePath]) noexcept;

}  // namespace mirtabel

#endif
