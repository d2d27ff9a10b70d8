#include "platform/plain_run.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>

#include <cstdint>

namespace mirtabel {

std::size_t copy_plain_run_neon(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept {
  const uint8x16_t line_feed = vdupq_n_u8('\n');
  const uint8x16_t carriage_return = vdupq_n_u8('\r');
  const uint8x16_t ctrl_z = vdupq_n_u8(0x1A);
  const uint8x16_t high = vdupq_n_u8(0x80);
  std::size_t length = 0;
  for (; length + 16 <= size; length += 16) {
    const uint8x16_t block = vld1q_u8(from + length);
    vst1q_u8(to + length, block);
    const uint8x16_t stops =
        vorrq_u8(vorrq_u8(vceqq_u8(block, line_feed), vceqq_u8(block, carriage_return)),
                 vorrq_u8(vceqq_u8(block, ctrl_z), vcgeq_u8(block, high)));
    // Narrowing each 16-bit lane by 4 bits leaves 4 bits per byte, in memory order.
    const std::uint64_t mask = vget_lane_u64(
        vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(stops), 4)), 0);
    if (mask != 0) return length + static_cast<std::size_t>(__builtin_ctzll(mask)) / 4;
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
#endif
