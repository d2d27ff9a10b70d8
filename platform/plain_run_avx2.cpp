#include "platform/plain_run.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace mirtabel {
namespace {

// As in the SSE2 version: one signed comparison with a space finds the bytes above 0x7F and the
// control characters.
__attribute__((target("avx2"))) inline std::uint64_t stop_mask(const unsigned char* at) noexcept {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i below = _mm256_cmpgt_epi8(_mm256_set1_epi8(' '), bytes);
  return static_cast<unsigned>(_mm256_movemask_epi8(below));
}

}  // namespace

// Compiled for AVX2 whatever the build's baseline; called only where the processor has it.
__attribute__((target("avx2"))) void mark_stops_avx2(const unsigned char* bytes, std::size_t blocks,
                                                     std::uint64_t* marks) noexcept {
  for (std::size_t block = 0; block < blocks; ++block, bytes += kMarkBlock)
    marks[block] = stop_mask(bytes) | stop_mask(bytes + 32) << 32;
}

}  // namespace mirtabel
#endif
