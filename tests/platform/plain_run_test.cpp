// The reader's inner loops: every version this build has and this processor runs must find the
// same end of a plain run as a byte-at-a-time look, wherever in a block the ending byte falls,
// and copy the run exactly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/simd_path.h"

namespace mirtabel {
namespace {

constexpr SimdPath kPaths[] = {SimdPath::kPortable, SimdPath::kSse2, SimdPath::kAvx2,
                               SimdPath::kNeon};

TEST(PlainRun, EveryPathFindsTheFirstByteThatEndsARun) {
  // Bytes that end a run, and plain ones that sit next to them in value.
  const unsigned char stops[] = {'\n', '\r', 0x1A, 0x80, 0xC3, 0xFF};
  const unsigned char plain[] = {'\t', 0x0B, 0x0C, 0x0E, 0x19, 0x1B, ' ', '~', 0x7F, 0x00};
  for (const SimdPath path : kPaths) {
    if (!simd_path_available(path)) continue;
    const CopyPlainRun copy = plain_run_copier(path);
    for (std::size_t size : {0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 64, 100}) {
      for (std::size_t stop_at = 0; stop_at <= size; ++stop_at) {
        std::vector<unsigned char> from(size + 1), to(size + 1, 0xEE);
        for (std::size_t i = 0; i < size; ++i)
          from[i] = plain[(i * 7 + stop_at) % sizeof plain];
        if (stop_at < size) from[stop_at] = stops[(size + stop_at) % sizeof stops];
        // A second ending byte after the first must not matter.
        if (stop_at + 3 < size) from[stop_at + 3] = '\n';
        const std::size_t length = copy(from.data(), to.data(), size);
        ASSERT_EQ(length, stop_at) << simd_path_name(path) << ", " << size << " bytes";
        ASSERT_TRUE(std::equal(from.begin(), from.begin() + length, to.begin()))
            << simd_path_name(path) << ", " << size << " bytes";
        ASSERT_EQ(to[size], 0xEE) << "wrote past the end, " << simd_path_name(path);
      }
    }
  }
}

void set_forced_path(const char* name) {
#ifdef _WIN32
  _putenv_s("MIRTABEL_SIMD", name);  // an empty value removes it
#else
  if (*name == '\0') {
    ::unsetenv("MIRTABEL_SIMD");
  } else {
    ::setenv("MIRTABEL_SIMD", name, 1);
  }
#endif
}

TEST(PlainRun, TheEnvironmentForcesEveryAvailablePath) {
  const char* outer = std::getenv("MIRTABEL_SIMD");
  const std::string before = outer != nullptr ? outer : "";
  for (const SimdPath path : kPaths) {
    if (!simd_path_available(path)) continue;
    set_forced_path(simd_path_name(path));
    EXPECT_EQ(chosen_simd_path(), path);
  }
  set_forced_path("no-such-path");
  EXPECT_TRUE(simd_path_available(chosen_simd_path()));
  set_forced_path(before.c_str());
}

}  // namespace
}  // namespace mirtabel
