// The reader's inner loops: every version this build has and this processor runs must mark
// exactly the bytes that is_stop() names, each at its place in memory order, whatever the byte
// and wherever in a block it falls.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/simd_path.h"

namespace mirtabel {
namespace {

constexpr SimdPath kPaths[] = {SimdPath::kPortable, SimdPath::kSse2, SimdPath::kAvx2,
                               SimdPath::kNeon};

TEST(PlainRun, EveryPathMarksEveryStopInPlace) {
  constexpr std::size_t kBlocks = 4;
  std::vector<unsigned char> bytes(kBlocks * kMarkBlock);
  for (const SimdPath path : kPaths) {
    if (!simd_path_available(path)) continue;
    const MarkStops mark = stop_marker(path);
    // Over all shifts, every byte value stands at every place in a block.
    for (unsigned shift = 0; shift < 256; ++shift) {
      for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 37 + shift);
      std::uint64_t marks[kBlocks + 1];
      marks[kBlocks] = 0xEEEE;
      mark(bytes.data(), kBlocks, marks);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool marked = (marks[i / kMarkBlock] >> (i % kMarkBlock) & 1) != 0;
        ASSERT_EQ(marked, is_stop(bytes[i]))
            << simd_path_name(path) << ": byte " << int(bytes[i]) << " at " << i;
      }
      ASSERT_EQ(marks[kBlocks], 0xEEEEu) << "wrote past the end, " << simd_path_name(path);
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

// Every available path can be forced by its name, and the environment is read once: a host that
// changes it later changes nothing.
TEST(PlainRun, TheEnvironmentForcesAPathOncePerProcess) {
  for (const SimdPath path : kPaths) {
    if (!simd_path_available(path)) continue;
    EXPECT_EQ(simd_path_named(simd_path_name(path)), path);
  }
  const SimdPath fastest = simd_path_named(nullptr);
  EXPECT_TRUE(simd_path_available(fastest));
  EXPECT_EQ(simd_path_named("no-such-path"), fastest);

  const char* outer = std::getenv("MIRTABEL_SIMD");
  const std::string before = outer != nullptr ? outer : "";
  const SimdPath chosen = chosen_simd_path();
  EXPECT_EQ(chosen, simd_path_named(outer));
  set_forced_path(chosen == SimdPath::kPortable ? simd_path_name(fastest) : "portable");
  EXPECT_EQ(chosen_simd_path(), chosen);
  set_forced_path(before.c_str());
}

}  // namespace
}  // namespace mirtabel
