#include "platform/plain_run.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>

namespace mirtabel {

void mark_stops_neon(const unsigned char* bytes, std::size_t blocks,
                     std::uint64_t* marks) noexcept {
  // Compared as signed bytes, the bytes above 0x7F are negative: one comparison with a space
  // finds them and the control characters together. Each byte found keeps the bit of its place
  // among eight; three rounds of pairwise sums gather the bits of eight bytes into one byte, in
  // memory order (vpadd_u8 exists on 32-bit ARM as well).
  const int8x16_t space = vdupq_n_s8(' ');
  const uint8x16_t place = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
  const auto pairs = [&](const unsigned char* at) noexcept {
    const uint8x16_t below = vcltq_s8(vreinterpretq_s8_u8(vld1q_u8(at)), space);
    const uint8x16_t bits = vandq_u8(below, place);
    return vpadd_u8(vget_low_u8(bits), vget_high_u8(bits));
  };
  for (std::size_t block = 0; block < blocks; ++block, bytes += kMarkBlock) {
    const uint8x8_t low = vpadd_u8(pairs(bytes), pairs(bytes + 16));
    const uint8x8_t high = vpadd_u8(pairs(bytes + 32), pairs(bytes + 48));
    marks[block] = vget_lane_u64(vreinterpret_u64_u8(vpadd_u8(low, high)), 0);
  }
}

}  // namespace mirtabel
#endif
