#include "platform/plain_run.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace mirtabel {
namespace {

// Compared as signed bytes, the bytes above 0x7F are negative: one comparison finds the bytes
// that are neither those nor control characters. The stops are the others.
inline std::uint64_t plain_mask(const unsigned char* at) noexcept {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(' ' - 1))));
}

}  // namespace

void mark_stops_sse2(const unsigned char* bytes, std::size_t blocks,
                     std::uint64_t* marks) noexcept {
  for (std::size_t block = 0; block < blocks; ++block, bytes += kMarkBlock) {
    marks[block] = ~(plain_mask(bytes) | plain_mask(bytes + 16) << 16 |
                     plain_mask(bytes + 32) << 32 | plain_mask(bytes + 48) << 48);
  }
}

}  // namespace mirtabel
#endif
