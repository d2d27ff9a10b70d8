// Size of a conversion's read buffer, and how much finished output it gathers before writing.
// A build option, so that the whole test suite can also run with tiny buffers and reach every
// buffer boundary with small inputs.
#ifndef MIRTABEL_PLATFORM_IO_BUFFER_SIZE_H
#define MIRTABEL_PLATFORM_IO_BUFFER_SIZE_H

#include <cstddef>

#ifndef MIRTABEL_IO_BUFFER_SIZE
#define MIRTABEL_IO_BUFFER_SIZE 12288
#endif

namespace mirtabel {

inline constexpr std::size_t kIoBufferSize = MIRTABEL_IO_BUFFER_SIZE;

// The reader looks up to 4 bytes ahead (a UTF-8 sequence, a UTF-16 surrogate pair or CR LF).
static_assert(kIoBufferSize >= 8, "the I/O buffer must hold at least 8 bytes");

}  // namespace mirtabel

#endif
