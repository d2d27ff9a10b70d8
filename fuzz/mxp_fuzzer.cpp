// The fuzz target: converts each input in memory through the library's conversion and aborts,
// saying why, when a conversion breaks one of the properties in conversion_checks.h.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/conversion_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string problem = mirtabel::fuzzing::find_violation(input);
  if (!problem.empty()) {
    std::fprintf(stderr, "conversion check failed on %zu input bytes: %s\n", size, problem.c_str());
    std::abort();
  }
  return 0;
}
