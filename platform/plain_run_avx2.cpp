#include "platform/plain_run.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace mirtabel {

// Compiled for AVX2 whatever the build's baseline; called only where the processor has it.
__attribute__((target("avx2"))) std::size_t copy_plain_run_avx2(const unsigned char* from,
                                                                unsigned char* to,
                                                                std::size_t size) noexcept {
  const __m256i line_feed = _mm256_set1_epi8('\n');
  const __m256i carriage_return = _mm256_set1_epi8('\r');
  const __m256i ctrl_z = _mm256_set1_epi8(0x1A);
  std::size_t length = 0;
  for (; length + 32 <= size; length += 32) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + length));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + length), block);
    // The top bit of each byte: set by a match, or by the byte itself when it is above 0x7F.
    const __m256i stops = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi8(block, line_feed),
                        _mm256_cmpeq_epi8(block, carriage_return)),
        _mm256_or_si256(_mm256_cmpeq_epi8(block, ctrl_z), block));
    if (const int mask = _mm256_movemask_epi8(stops))
      return length + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
  return finish_plain_run(from, to, length, size);
}

}  // namespace mirtabel
#endif
