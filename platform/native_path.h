// Paths between the UTF-8 the callers give, the wide characters the file layer takes, and the
// bytes a POSIX system opens: the one codec of them.
#ifndef MIRTABEL_PLATFORM_NATIVE_PATH_H
#define MIRTABEL_PLATFORM_NATIVE_PATH_H

#include <cstddef>

namespace mirtabel {

// The longest path, in wchar_t with its terminator, that the C API takes.
inline constexpr std::size_t kMaxWidePath = 4096;

// Decodes a null-terminated UTF-8 path into `out`, which holds `capacity` wchar_t with the
// terminator (strlen(utf8) + 1 always suffice). Where wchar_t is UTF-16 (Windows) the path must
// be valid UTF-8, and a character beyond the Basic Multilingual Plane becomes a surrogate pair.
// Elsewhere a byte that does not begin a valid sequence becomes U+DC80..U+DCFF, which
// to_native_path turns back into that byte, so any name a POSIX system holds gets through
// unchanged. Returns 0, ENAMETOOLONG, or EILSEQ.
int from_utf8_path(const char* utf8, wchar_t* out, std::size_t capacity) noexcept;

// The longest path, in bytes with its terminator, that a POSIX path may take here.
inline constexpr std::size_t kMaxNativePath = 4096;

// Encodes a wide path as the UTF-8 bytes a POSIX system opens. The code points U+DC80 to U+DCFF
// stand for the raw bytes 0x80 to 0xFF, so that names which are not valid UTF-8 survive the round
// trip through wchar_t. Returns 0, ENAMETOOLONG, or EILSEQ for a character no path can hold.
int to_native_path(const wchar_t* path, char (&out)[kMaxNativePath]) noexcept;

}  // namespace mirtabel

#endif
