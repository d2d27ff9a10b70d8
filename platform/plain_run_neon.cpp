#include "platform/plain_run.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>

#include <cstdint>

namespace mirtabel {

std::size_t copy_plain_run_neon(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept {
  // Compared as signed bytes, the bytes above 0x7F are negative: one comparison with a space
  // finds them and the control characters together; a plain control character is copied and
  // passed.
  const int8x16_t space = vdupq_n_s8(' ');
  std::size_t length = 0;
  while (length + 16 <= size) {
    const uint8x16_t block = vld1q_u8(from + length);
    vst1q_u8(to + length, block);
    const uint8x16_t below = vcltq_s8(vreinterpretq_s8_u8(block), space);
    // Narrowing each 16-bit lane by 4 bits leaves 4 bits per byte, in memory order.
    const std::uint64_t mask =
        vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(below), 4)), 0);
    if (mask == 0) {
      length += 16;
      continue;
    }
    length += static_cast<std::size_t>(__builtin_ctzll(mask)) / 4;
    if (!is_plain(from[length])) return length;
    ++length;
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
#endif
