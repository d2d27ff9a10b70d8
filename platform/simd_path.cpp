#include "platform/simd_path.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace mirtabel {
namespace {

constexpr SimdPath kAllPaths[] = {SimdPath::kPortable, SimdPath::kSse2, SimdPath::kAvx2,
                                  SimdPath::kNeon};

}  // namespace

bool simd_path_available(SimdPath path) noexcept {
  switch (path) {
    case SimdPath::kPortable:
      return true;
    case SimdPath::kSse2:
#if defined(__SSE2__)
      return true;
#else
      return false;
#endif
    case SimdPath::kAvx2:
#if defined(__x86_64__) || defined(__i386__)
      return __builtin_cpu_supports("avx2");
#else
      return false;
#endif
    case SimdPath::kNeon:
#if defined(__ARM_NEON)
      return true;
#else
      return false;
#endif
  }
  return false;
}

SimdPath simd_path_named(const char* name) noexcept {
  if (name != nullptr) {
    for (const SimdPath path : kAllPaths) {
      if (std::strcmp(name, simd_path_name(path)) == 0 && simd_path_available(path)) return path;
    }
  }
  for (const SimdPath path : {SimdPath::kAvx2, SimdPath::kSse2, SimdPath::kNeon}) {
    if (simd_path_available(path)) return path;
  }
  return SimdPath::kPortable;
}

SimdPath chosen_simd_path() noexcept {
  // Read once, by the first conversion: later ones neither look the variable up again nor race
  // with a host that changes the environment meanwhile.
  static const SimdPath chosen = simd_path_named(std::getenv("MIRTABEL_SIMD"));
  return chosen;
}

MarkStops stop_marker(SimdPath path) noexcept {
  switch (path) {
#if defined(__SSE2__)
    case SimdPath::kSse2:
      return mark_stops_sse2;
#endif
#if defined(__x86_64__) || defined(__i386__)
    case SimdPath::kAvx2:
      return mark_stops_avx2;
#endif
#if defined(__ARM_NEON)
    case SimdPath::kNeon:
      return mark_stops_neon;
#endif
    default:
      return mark_stops_portable;
  }
}

const char* simd_path_name(SimdPath path) noexcept {
  switch (path) {
    case SimdPath::kPortable:
      return "portable";
    case SimdPath::kSse2:
      return "sse2";
    case SimdPath::kAvx2:
      return "avx2";
    case SimdPath::kNeon:
      return "neon";
  }
  return "portable";
}

}  // namespace mirtabel
