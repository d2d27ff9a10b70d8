#include <cstdint>
#include <cstring>

#include "platform/plain_run.h"

namespace mirtabel {
namespace {

constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

constexpr std::uint64_t every_byte(unsigned char byte) noexcept {
  return 0x0101010101010101ULL * byte;
}

// The top bit of each byte of `word` that is zero, and no other bit. Exact: no carry crosses
// from one byte into the next.
constexpr std::uint64_t zero_bytes(std::uint64_t word) noexcept {
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// The top bit of each byte of `word` that is not plain.
constexpr std::uint64_t stop_bytes(std::uint64_t word) noexcept {
  return zero_bytes(word ^ every_byte('\n')) | zero_bytes(word ^ every_byte('\r')) |
         zero_bytes(word ^ every_byte(0x1A)) | (word & kHigh);
}

// Index, in memory order, of the first byte flagged in a non-zero mask: the lowest byte of the
// word on a little-endian processor, the highest on a big-endian one.
inline std::size_t first_flagged(std::uint64_t mask) noexcept {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return static_cast<std::size_t>(__builtin_clzll(mask)) / 8;
#else
  return static_cast<std::size_t>(__builtin_ctzll(mask)) / 8;
#endif
}

}  // namespace

std::size_t copy_plain_run_portable(const unsigned char* from, unsigned char* to,
                                    std::size_t size) noexcept {
  std::size_t length = 0;
  for (; length + 8 <= size; length += 8) {
    std::uint64_t word;
    std::memcpy(&word, from + length, 8);
    std::memcpy(to + length, &word, 8);
    if (const std::uint64_t stops = stop_bytes(word)) return length + first_flagged(stops);
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
