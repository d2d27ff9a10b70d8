#include "platform/plain_run.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace mirtabel {
namespace {

// As in the SSE2 version: one signed comparison finds the bytes that are neither above 0x7F nor
// control characters.
__attribute__((target("avx2"))) inline std::uint64_t plain_mask(const unsigned char* at) noexcept {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  return static_cast<unsigned>(
      _mm256_movemask_epi8(_mm256_cmpgt_epi8(bytes, _mm256_set1_epi8(' ' - 1))));
}

}  // namespace

// Compiled for AVX2 whatever the build's baseline; called only where the processor has it.
__attribute__((target("avx2"))) void mark_stops_avx2(const unsigned char* bytes, std::size_t blocks,
                                                     std::uint64_t* marks) noexcept {
  for (std::size_t block = 0; block < blocks; ++block, bytes += kMarkBlock)
    marks[block] = ~(plain_mask(bytes) | plain_mask(bytes + 32) << 32);
}

}  // namespace mirtabel
#endif
