#include "platform/plain_run.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace mirtabel {

std::size_t copy_plain_run_sse2(const unsigned char* from, unsigned char* to,
                                std::size_t size) noexcept {
  // Compared as signed bytes, the bytes above 0x7F are negative: one comparison with a space
  // finds them and the control characters together. A control character that is plain (a tab,
  // say) is already copied; the search goes on after it.
  const __m128i space = _mm_set1_epi8(' ');
  std::size_t length = 0;
  while (length + 16 <= size) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + length));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + length), block);
    const int mask = _mm_movemask_epi8(_mm_cmplt_epi8(block, space));
    if (mask == 0) {
      length += 16;
      continue;
    }
    length += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    if (!is_plain(from[length])) return length;
    ++length;
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
#endif
