// Which instruction set the reader's inner loop uses. The fastest one the processor has is
// chosen at the start of each conversion; the environment variable MIRTABEL_SIMD (portable, sse2,
// avx2 or neon) forces another, so that tests can run every one on the same machine.
#ifndef MIRTABEL_PLATFORM_SIMD_PATH_H
#define MIRTABEL_PLATFORM_SIMD_PATH_H

#include "platform/plain_run.h"

namespace mirtabel {

enum class SimdPath { kPortable, kSse2, kAvx2, kNeon };

// Whether this build has the path and this processor can run it.
bool simd_path_available(SimdPath path) noexcept;

// MIRTABEL_SIMD's path when it names one that is available, otherwise the fastest available.
SimdPath chosen_simd_path() noexcept;

MarkStops stop_marker(SimdPath path) noexcept;

const char* simd_path_name(SimdPath path) noexcept;

}  // namespace mirtabel

#endif
