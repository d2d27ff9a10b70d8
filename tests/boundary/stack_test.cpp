// How much stack ConvertMXP takes: a conversion that drives every store to its limit must fit
// within 96 KiB, and must run on a thread whose whole stack is 128 KiB, as musl gives new threads.
#include <errno.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "exports/mirtabel.h"
#include "tests/boundary/test_files.h"

namespace mirtabel::testing {
namespace {

constexpr std::size_t kStackBound = 96 * 1024;

std::string times(const std::string& text, std::size_t count) {
  std::string result;
  for (std::size_t i = 0; i < count; ++i)
    result += text;
  return result;
}

// Labelled recipes in 4-byte characters that fill every store: a first line, and so the marker,
// of 4,999 characters; a title line and body lines of 4,999; a body of 9,512 characters when the
// list block ends, and a paragraph line of 4,999 behind it. Then enough small recipes to fill the
// read buffer many times over.
std::string stack_filling_input() {
  const std::string e = "\xF0\x9F\x98\x80";
  const std::string marker = times(e, 4998) + "\n";
  std::string text = marker + "\nTitle: " + times(e, 4991) + "\nServings: 2\n\n";
  text += times(e, 4998) + "\n" + times(e, 4490) + "\n\n" + times(e, 4998) + "\n";
  for (int i = 0; text.size() < 400000; ++i) {
    text += marker + "\nTitle: Soup " + std::to_string(i) +
            "\nYield: 4 cups\n\n1 leek, sliced\n\nSimmer until soft.\n";
  }
  return text;
}

struct ThreadConversion {
  std::wstring input;
  std::wstring output;
  int records = -2;
  int error = 0;
  std::uintptr_t stack_at_call = 0;
};

void* convert_on_thread(void* argument) {
  auto* job = static_cast<ThreadConversion*>(argument);
  volatile char here = 0;  // where the stack stands when the call starts, near enough
  job->stack_at_call = reinterpret_cast<std::uintptr_t>(&here);
  job->records = ConvertMXP(job->input.c_str(), job->output.c_str());
  job->error = errno;
  return nullptr;
}

// Runs the conversion on a thread with a stack of `size` bytes; with `stack` given, on that
// memory.
void run_on_thread(ThreadConversion& job, std::size_t size, void* stack = nullptr) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  if (stack != nullptr) {
    ASSERT_EQ(pthread_attr_setstack(&attributes, stack, size), 0);
  } else {
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, size), 0);
  }
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, convert_on_thread, &job), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
}

class StackUse : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    ASSERT_TRUE(write_file(dir_ / "in.mxp", stack_filling_input()));
    // The same conversion on the main thread gives the output to expect.
    expected_records_ = ConvertMXP(wide(dir_ / "in.mxp").c_str(), wide(dir_ / "main.txt").c_str());
    ASSERT_GT(expected_records_, 0);
  }

  TempDir dir_;
  int expected_records_ = 0;
};

// The thread's stack is filled with a pattern first; the lowest byte that no longer holds it is
// the deepest the call went.
TEST_F(StackUse, APeakOfAtMost96KiB) {
  constexpr std::size_t kSize = 1024 * 1024;
  constexpr unsigned char kPattern = 0x5A;
  void* stack = nullptr;
  ASSERT_EQ(posix_memalign(&stack, 65536, kSize), 0);
  std::memset(stack, kPattern, kSize);
  ThreadConversion job{wide(dir_ / "in.mxp"), wide(dir_ / "out.txt")};
  run_on_thread(job, kSize, stack);
  const auto* bytes = static_cast<const unsigned char*>(stack);
  std::size_t lowest = 0;
  while (lowest < kSize && bytes[lowest] == kPattern)
    ++lowest;
  const std::size_t peak = job.stack_at_call - reinterpret_cast<std::uintptr_t>(bytes + lowest);
  std::free(stack);
  EXPECT_EQ(job.records, expected_records_) << std::strerror(job.error);
  std::printf("peak stack of a ConvertMXP call: %zu bytes (the bound: %zu)\n", peak, kStackBound);
#if !defined(MIRTABEL_SANITIZED)
  // Sanitizers move and pad the stack; their builds only print the figure.
  EXPECT_LE(peak, kStackBound);
#endif
}

TEST_F(StackUse, ConvertsOnAThreadWithA128KiBStack) {
  ThreadConversion job{wide(dir_ / "in.mxp"), wide(dir_ / "out.txt")};
  run_on_thread(job, 128 * 1024);
  EXPECT_EQ(job.records, expected_records_) << std::strerror(job.error);
  EXPECT_EQ(read_file(dir_ / "out.txt"), read_file(dir_ / "main.txt"));
}

}  // namespace
}  // namespace mirtabel::testing
