#include "platform/plain_run.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace mirtabel {

// Compiled for AVX2 whatever the build's baseline; called only where the processor has it.
__attribute__((target("avx2"))) std::size_t copy_plain_run_avx2(const unsigned char* from,
                                                                unsigned char* to,
                                                                std::size_t size) noexcept {
  // As in the SSE2 version: one signed comparison with a space finds the bytes above 0x7F and
  // the control characters; a plain control character is copied and passed.
  const __m256i space = _mm256_set1_epi8(' ');
  std::size_t length = 0;
  while (length + 32 <= size) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + length));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + length), block);
    const int mask = _mm256_movemask_epi8(_mm256_cmpgt_epi8(space, block));
    if (mask == 0) {
      length += 32;
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
