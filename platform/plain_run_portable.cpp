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
constexpr std::uint64_t stops(std::uint64_t word) noexcept {
  return (~((word & kLow7) + kUpFromSpace) | word) & kHigh;
}

// The eight bytes' top bits gathered into the low 8 bits, byte 0's lowest: the multiplication
// moves each bit to its place in the top byte, where no two sums meet.
constexpr std::uint64_t gather(std::uint64_t top_bits) noexcept {
  return ((top_bits >> 7) * 0x0102040810204080ULL) >> 56;
}

// The word of the eight bytes at `bytes` with byte 0 as its lowest byte, on any processor.
inline std::uint64_t load_in_memory_order(const unsigned char* bytes) noexcept {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

}  // namespace

void mark_stops_portable(const unsigned char* bytes, std::size_t blocks,
                         std::uint64_t* marks) noexcept {
  for (std::size_t block = 0; block < blocks; ++block, bytes += kMarkBlock) {
    std::uint64_t mask = 0;
    for (unsigned i = 0; i < 8; ++i)
      mask |= gather(stops(load_in_memory_order(bytes + 8 * i))) << (8 * i);
    marks[block] = mask;
  }
}

}  // namespace mirtabel
