#include <cstdint>
#include <cstring>

#include "platform/plain_run.h"

namespace mirtabel {
namespace {

constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
constexpr std::uint64_t kUpFromSpace = 0x6060606060606060ULL;  // 0x80 - ' ' in every byte

// The top bit of each byte of `word` that is below a space or above 0x7F, and no other bit.
// Exact: the sum stays within each byte, so no carry crosses into the next.
constexpr std::uint64_t candidates(std::uint64_t word) noexcept {
  return (~((word & kLow7) + kUpFromSpace) | word) & kHigh;
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

// Eight bytes at a time: a word with no control character and no byte above 0x7F is taken
// whole; in any other the first such byte is checked alone, and a plain one (a tab, say) is
// passed.
std::size_t copy_plain_run_portable(const unsigned char* from, unsigned char* to,
                                    std::size_t size) noexcept {
  std::size_t length = 0;
  while (length + 8 <= size) {
    std::uint64_t word;
    std::memcpy(&word, from + length, 8);
    std::memcpy(to + length, &word, 8);
    const std::uint64_t flagged = candidates(word);
    if (flagged == 0) {
      length += 8;
      continue;
    }
    length += first_flagged(flagged);
    if (!is_plain(from[length])) return length;
    ++length;
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
