// Which instruction set the reader's inner loop uses. The fastest one the processor has is
// chosen once per process, by the first conversion; the environment variable MIRTABEL_SIMD
// (portable, sse2, avx2 or neon), as it is then, forces another, so that tests can run every one
// on the same machine. ConversionOptions::simd_path picks one for a single conversion.
#ifndef MIRTABEL_PLATFORM_SIMD_PATH_H
#define MIRTABEL_PLATFORM_SIMD_PATH_H

#include "platform/plain_run.h"

namespace mirtabel {

enum class SimdPath { kPortable, kSse2, kAvx2, kNeon };

// Whether this build has the path and this processor can run it.
bool simd_path_available(SimdPath path) noexcept;

// The path `name` names when it is available, otherwise (a null `name` too) the fastest
// available.
SimdPath simd_path_named(const char* name) noexcept;

// simd_path_named(MIRTABEL_SIMD), read the first time it is asked for and kept for the process.
SimdPath chosen_simd_path() noexcept;

MarkStops stop_marker(SimdPath path) noexcept;

const char* simd_path_name(SimdPath path) noexcept;

}  // namespace mirtabel

#endif
