// The UTF-8 paths of the conversion API as the wide paths the file layer opens.
#ifndef MIRTABEL_EXPORTS_WIDE_PATH_H
#define MIRTABEL_EXPORTS_WIDE_PATH_H

#include <cstddef>

namespace mirtabel {

// The longest path, in wchar_t with its terminator, that the API takes.
inline constexpr std::size_t kMaxWidePath = 4096;

// Decodes a null-terminated UTF-8 path into `out`. Where wchar_t is UTF-16 (Windows) the path must
// be valid UTF-8, and a character beyond the Basic Multilingual Plane becomes a surrogate pair.
// Elsewhere a byte that does not begin a valid sequence becomes U+DC80..U+DCFF, which the POSIX
// file layer turns back into that byte, so any name a POSIX system holds gets through unchanged.
// Returns 0, ENAMETOOLONG, or EILSEQ.
int wide_path(const char* utf8, wchar_t (&out)[kMaxWidePath]) noexcept;

}  // namespace mirtabel

#endif
