#include "platform/plain_run.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace mirtabel {

std::size_t copy_plain_run_sse2(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept {
  const __m128i line_feed = _mm_set1_epi8('\n');
  const __m128i carriage_return = _mm_set1_epi8('\r');
  const __m128i ctrl_z = _mm_set1_epi8(0x1A);
  std::size_t length = 0;
  for (; length + 16 <= size; length += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + length));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + length), block);
    // The top bit of each byte: set by a match, or by the byte itself when it is above 0x7F.
    const __m128i stops = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(block, line_feed), _mm_cmpeq_epi8(block, carriage_return)),
        _mm_or_si128(_mm_cmpeq_epi8(block, ctrl_z), block));
    if (const int mask = _mm_movemask_epi8(stops))
      return length + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
#endif
