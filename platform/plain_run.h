// The reader's innermost loop: copying a run of plain ASCII, the bulk of most MXP text, from the
// read buffer to where the line is being built, and finding the byte that ends it. One version
// per instruction set; the conversion picks one when it starts.
#ifndef MIRTABEL_PLATFORM_PLAIN_RUN_H
#define MIRTABEL_PLATFORM_PLAIN_RUN_H

#include <cstddef>

namespace mirtabel {

// Whether a byte may be copied as it is: ASCII other than the line ends and the Ctrl-Z that may
// mark the end of the input. Every other byte needs a look of its own.
constexpr bool is_plain(unsigned char byte) noexcept {
  return byte < 0x80 && byte != '\n' && byte != '\r' && byte != 0x1A;
}

// Copies the run of plain bytes at the start of `from` (at most `size` bytes) to `to`, up to the
// first byte that is not plain; returns the run's length. Bytes after the run, up to `size` of
// them in all, may be written to `to` as well.
using CopyPlainRun = std::size_t (*)(const unsigned char* from, unsigned char* to,
                                     std::size_t size) noexcept;

// The byte-at-a-time finish that every version uses for the last bytes.
inline std::size_t finish_plain_run(const unsigned char* from, unsigned char* to,
                                    std::size_t length, std::size_t size) noexcept {
  for (; length < size && is_plain(from[length]); ++length)
    to[length] = from[length];
  return length;
}

// Eight bytes at a time in plain C++, on any processor.
std::size_t copy_plain_run_portable(const unsigned char* from, unsigned char* to,
                                    std::size_t size) noexcept;
// Sixteen bytes at a time with SSE2 (every x86-64 processor).
std::size_t copy_plain_run_sse2(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept;
// Thirty-two bytes at a time with AVX2, for processors that have it.
std::size_t copy_plain_run_avx2(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept;
// Sixteen bytes at a time with NEON (every aarch64 processor, and 32-bit ARM built for it).
std::size_t copy_plain_run_neon(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept;

}  // namespace mirtabel

#endif
