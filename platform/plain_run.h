// The reader's innermost loop: finding where the runs of plain ASCII end, the bulk of most MXP
// text. Each time the read buffer is filled, one pass marks every byte at which a run may end;
// each line is then found and copied from those marks, without looking at its bytes again. One
// version per instruction set; the conversion picks one when it starts.
#ifndef MIRTABEL_PLATFORM_PLAIN_RUN_H
#define MIRTABEL_PLATFORM_PLAIN_RUN_H

#include <cstddef>
#include <cstdint>

namespace mirtabel {

// The bytes a run of plain ASCII stops at: the control characters, among them the line ends and
// the Ctrl-Z that may mark the end of the input, and every byte above 0x7F. One comparison finds
// them all; the reader passes the control characters that are plain (a tab, say).
constexpr bool is_stop(unsigned char byte) noexcept {
  return byte < ' ' || byte >= 0x80;
}

// The marks cover blocks of this many bytes, one 64-bit word each.
inline constexpr std::size_t kMarkBlock = 64;

// Marks the stops among the `blocks` * 64 bytes at `bytes`: bit i of marks[k] is set when byte
// 64k + i is a stop, and clear otherwise.
using MarkStops = void (*)(const unsigned char* bytes, std::size_t blocks,
                           std::uint64_t* marks) noexcept;

// Eight bytes at a time in plain C++, on any processor.
void mark_stops_portable(const unsigned char* bytes, std::size_t blocks,
                         std::uint64_t* marks) noexcept;
// Sixteen bytes at a time with SSE2 (every x86-64 processor).
void mark_stops_sse2(const unsigned char* bytes, std::size_t blocks, std::uint64_t* marks) noexcept;
// Thirty-two bytes at a time with AVX2, for processors that have it.
void mark_stops_avx2(const unsigned char* bytes, std::size_t blocks, std::uint64_t* marks) noexcept;
// Sixteen bytes at a time with NEON (every aarch64 processor, and 32-bit ARM built for it).
void mark_stops_neon(const unsigned char* bytes, std::size_t blocks, std::uint64_t* marks) noexcept;

}  // namespace mirtabel

#endif
