// How much stack ConvertMXP takes: a conversion that drives every store to its limit must fit
// within 96 KiB, and must run on a thread whose whole stack is 128 KiB, as musl gives new threads.
// The same for mirtabel_convert, with a side file and a callback for the recipe it leaves out, in
// each of its formats.
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
// list block ends, and a paragraph line of 4,999 behind it. Then a recipe of such lines that is
// left out for its length, and enough small recipes to fill the read buffer many times over, the
// first with a byte that is not UTF-8, at which a code page is chosen (Windows-1252 here, as
// ConvertMXP reads it).
std::string stack_filling_input() {
  const std::string e = "\xF0\x9F\x98\x80";
  const std::string marker = times(e, 4998) + "\n";
  std::string text = marker + "\nTitle: " + times(e, 4991) + "\nServings: 2\n\n";
  text += times(e, 4998) + "\n" + times(e, 4490) + "\n\n" + times(e, 4998) + "\n";
  text += marker + "\nTitle: " + times(e, 4991) + "\n\n" + times(times(e, 4990) + "y\n", 3);
  for (int i = 0; text.size() < 400000; ++i) {
    text += marker + "\nTitle: Soup " + std::to_string(i) +
            "\nYield: 4 cups\n\n1 leek, sliced\n\nSimmer until soft" + (i == 0 ? " caf\xE9" : "") +
            ".\n";
  }
  return text;
}

struct ThreadConversion {
  std::wstring input;
  std::wstring output;
  int records = -2;
  int error = 0;
  std::uintptr_t stack_at_call = 0;
  // Set: through mirtabel_convert on these UTF-8 paths, with a side file, instead.
  std::string api_input, api_output, api_side_file;
  std::int32_t format = MIRTABEL_FORMAT_RECORDS;
  int left_out = 0;
};

void* convert_on_thread(void* argument) {
  auto* job = static_cast<ThreadConversion*>(argument);
  volatile char here = 0;  // where the stack stands when the call starts, near enough
  job->stack_at_call = reinterpret_cast<std::uintptr_t>(&here);
  if (job->api_input.empty()) {
    job->records = ConvertMXP(job->input.c_str(), job->output.c_str());
  } else {
    mirtabel_options options{};
    options.size = sizeof options;
    options.format = job->format;
    options.left_out_path = job->api_side_file.c_str();
    options.left_out = [](void* context, const mirtabel_left_out*) {
      ++static_cast<ThreadConversion*>(context)->left_out;
    };
    options.left_out_context = job;
    mirtabel_report report{};
    report.size = sizeof report;
    const int code =
        mirtabel_convert(job->api_input.c_str(), job->api_output.c_str(), &options, &report);
    job->records = code == MIRTABEL_OK ? report.records : -1;
  }
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
std::size_t peak_stack(ThreadConversion& job) {
  constexpr std::size_t kSize = 1024 * 1024;
  constexpr unsigned char kPattern = 0x5A;
  void* stack = nullptr;
  if (posix_memalign(&stack, 65536, kSize) != 0) return kSize;
  std::memset(stack, kPattern, kSize);
  run_on_thread(job, kSize, stack);
  const auto* bytes = static_cast<const unsigned char*>(stack);
  std::size_t lowest = 0;
  while (lowest < kSize && bytes[lowest] == kPattern)
    ++lowest;
  const std::size_t peak = job.stack_at_call - reinterpret_cast<std::uintptr_t>(bytes + lowest);
  std::free(stack);
  return peak;
}

TEST_F(StackUse, APeakOfAtMost96KiB) {
  struct Row {
    const char* name;
    std::int32_t format;  // through mirtabel_convert, or -1: through ConvertMXP
    const char* output;
  };
  // The structured formats keep every recipe, the one too long for a record too.
  for (const Row& row :
       {Row{"ConvertMXP", -1, "out.txt"},
        Row{"mirtabel_convert with a side file", MIRTABEL_FORMAT_RECORDS, "api.txt"},
        Row{"JSON Lines with a side file", MIRTABEL_FORMAT_JSON_LINES, "api.jsonl"},
        Row{"HTML with a side file", MIRTABEL_FORMAT_HTML, "api.html"}}) {
    ThreadConversion job{};
    if (row.format < 0) {
      job.input = wide(dir_ / "in.mxp");
      job.output = wide(dir_ / row.output);
    } else {
      job.api_input = dir_ / "in.mxp";
      job.api_output = dir_ / row.output;
      job.api_side_file = job.api_output + ".left-out.mxp";
      job.format = row.format;
    }
    const bool records = row.format <= MIRTABEL_FORMAT_RECORDS;
    const std::size_t peak = peak_stack(job);
    EXPECT_EQ(job.records, expected_records_ + (records ? 0 : 1))
        << row.name << ": " << std::strerror(job.error);
    std::printf("peak stack of %s: %zu bytes (the bound: %zu)\n", row.name, peak, kStackBound);
#if !defined(MIRTABEL_SANITIZED)
    // Sanitizers move and pad the stack; their builds only print the figure.
    EXPECT_LE(peak, kStackBound) << row.name;
#endif
    if (row.format == MIRTABEL_FORMAT_RECORDS) {
      EXPECT_EQ(job.left_out, 1);
      EXPECT_EQ(read_file(job.api_output), read_file(dir_ / "main.txt"));
      EXPECT_NE(read_file(job.api_side_file), "<missing>");
    }
  }
}

TEST_F(StackUse, ConvertsOnAThreadWithA128KiBStack) {
  ThreadConversion job{};
  job.input = wide(dir_ / "in.mxp");
  job.output = wide(dir_ / "out.txt");
  run_on_thread(job, 128 * 1024);
  EXPECT_EQ(job.records, expected_records_) << std::strerror(job.error);
  EXPECT_EQ(read_file(dir_ / "out.txt"), read_file(dir_ / "main.txt"));
}

}  // namespace
}  // namespace mirtabel::testing
