// A generated input of 1 GiB, converted from one FIFO into another, so that neither the input nor
// the output is ever held anywhere: every record is checked as it arrives, and the conversion's
// peak memory is printed and must not grow with the input. Slow, so outside the default suite:
//   ctest --test-dir build/dev -C long -L long
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "exports/mirtabel.h"
#include "tests/hardening/hardening_support.h"

namespace mirtabel::hardening {
namespace {

long peak_resident_kib() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(Long, OneGibibyteConvertsInConstantMemory) {
  // One block of recipes of both kinds of body, repeated until the input holds 1 GiB.
  Sample block;
  for (int i = 0; i < 200; ++i) {
    std::vector<std::string> body;
    for (int j = 0; j < i % 30 + 1; ++j)
      body.push_back("Step " + std::to_string(j) + " \u00E9");
    block.add_recipe("Recipe " + std::to_string(i), body, i % 2 == 0 ? "\n" : "\r\n");
  }
  const std::size_t repeats = (std::size_t{1} << 30) / block.input.size() + 1;

  TempDir dir;
  const std::string in = dir.file("in.fifo"), out = dir.file("out.fifo");
  ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(out.c_str(), 0600), 0);

  std::thread producer([&] {
    const int fd = open(in.c_str(), O_WRONLY);
    for (std::size_t i = 0; fd >= 0 && i < repeats; ++i) {
      if (write(fd, block.input.data(), block.input.size()) !=
          static_cast<ssize_t>(block.input.size()))
        break;
    }
    if (fd >= 0) close(fd);
  });
  // Compares the output, as it arrives, with the block's records repeated.
  std::size_t output_bytes = 0;
  bool output_matches = true;
  std::thread checker([&] {
    const int fd = open(out.c_str(), O_RDONLY);
    char buffer[65536];
    ssize_t n;
    while (fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0) {
      for (ssize_t i = 0; i < n; ++i, ++output_bytes) {
        if (buffer[i] != block.expected[output_bytes % block.expected.size()])
          output_matches = false;
      }
    }
    if (fd >= 0) close(fd);
  });

  const long before_kib = peak_resident_kib();
  const std::int32_t records = ConvertMXP(wide(in).c_str(), wide(out).c_str());
  const long after_kib = peak_resident_kib();
  producer.join();
  checker.join();

  std::printf(
      "converted %zu bytes into %zu bytes, %d records; peak resident memory %ld KiB "
      "before, %ld KiB after\n",
      repeats * block.input.size(), output_bytes, records, before_kib, after_kib);
  EXPECT_EQ(records, static_cast<std::int64_t>(repeats) * block.records);
  EXPECT_EQ(output_bytes, repeats * block.expected.size());
  EXPECT_TRUE(output_matches);
  // The conversion holds no more than its fixed buffers: a few MiB at most, whatever the input.
  EXPECT_LT(after_kib - before_kib, 16 * 1024);
}

}  // namespace
}  // namespace mirtabel::hardening
