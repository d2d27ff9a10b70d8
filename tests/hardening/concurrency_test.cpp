// Conversions on several threads at once: each must give exactly what it gives alone. Runs under
// ThreadSanitizer in CI, which also reports any shared state the conversions touch.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "exports/mirtabel.h"
#include "tests/hardening/hardening_support.h"

namespace mirtabel::hardening {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 12;

// UTF-8 text (valid) as UTF-16 with a byte-order mark.
std::string to_utf16(const std::string& utf8, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  const auto put = [&](unsigned unit) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  };
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i)
      c = (c << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3Fu);
    at += length;
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

// Recipes in the labelled layout: header, list block, paragraphs with an indented line.
std::string labelled_recipes(int count, const std::string& line_end) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += kMarker + line_end + line_end + "Title: Dish \u00E9 " + n + line_end +
            "Categories: Test" + line_end + line_end;
    for (int j = 0; j < i % 7 + 1; ++j)
      text += std::to_string(j + 1) + " cup ingredient number " + n + line_end;
    text += line_end + "Mix everything \u20AC " + n + " and" + line_end + "bake it." + line_end +
            "     Serve \U0001F375 hot." + line_end + line_end + "Done." + line_end;
  }
  return text;
}

// Recipes in the column layout, one with a body over the length limit now and then.
std::string column_recipes(int count, const std::string& line_end, char fill) {
  Sample sample;
  for (int i = 0; i < count; ++i) {
    std::vector<std::string> body;
    const int lines = i % 13 == 5 ? 200 : i % 9 + 1;
    for (int j = 0; j < lines; ++j)
      body.push_back(std::string(static_cast<std::size_t>(j * 7 % 70), fill) + " step");
    sample.add_recipe("   Title " + std::to_string(i) + std::string(i % 5, fill), body, line_end);
  }
  return sample.input;
}

// Eight different inputs: both layouts, every encoding, LF, CR LF and CR line ends.
std::vector<std::string> make_inputs() {
  std::string windows_1252 = column_recipes(900, "\r\n", 'x');
  for (char& c : windows_1252) {
    if (c == 'x') c = '\xE9';
  }
  return {
      column_recipes(1200, "\n", 'a'),
      column_recipes(1000, "\r\n", 'b'),
      column_recipes(800, "\r", 'c'),
      windows_1252,
      labelled_recipes(1100, "\n"),
      labelled_recipes(900, "\r\n"),
      to_utf16(labelled_recipes(700, "\n"), false),
      to_utf16(column_recipes(600, "\r\n", 'd'), true),
  };
}

struct Outcome {
  std::int32_t result = 0;
  int error = 0;
};

Outcome convert(const std::string& input, const std::string& output) {
  const std::int32_t result = ConvertMXP(wide(input).c_str(), wide(output).c_str());
  return {result, result < 0 ? errno : 0};
}

struct Alone {
  std::int32_t records;
  std::string output;
};

// Each input converted alone, on this thread.
std::vector<Alone> convert_alone(const TempDir& dir, const std::vector<std::string>& inputs) {
  std::vector<Alone> alone;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string input = dir.file("in" + std::to_string(i) + ".mxp");
    const std::string output = dir.file("alone" + std::to_string(i) + ".txt");
    write_file(input, inputs[i]);
    const Outcome outcome = convert(input, output);
    EXPECT_GT(outcome.result, 0) << "input " << i << ", errno " << outcome.error;
    alone.push_back({outcome.result, read_file(output)});
  }
  return alone;
}

// Runs `work(thread)` on kThreads threads, all released at the same moment.
template <typename Work>
void run_together(const Work& work) {
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      waiting.fetch_sub(1);
      while (waiting.load() > 0)
        std::this_thread::yield();
      work(t);
    });
  }
  for (std::thread& thread : threads)
    thread.join();
}

TEST(Concurrency, EightFilesOnEightThreadsMatchTheirSingleThreadedOutput) {
  TempDir dir;
  const std::vector<std::string> inputs = make_inputs();
  ASSERT_EQ(inputs.size(), static_cast<std::size_t>(kThreads));
  const std::vector<Alone> alone = convert_alone(dir, inputs);

  for (int round = 0; round < kRounds; ++round) {
    std::vector<Outcome> outcomes(kThreads);
    run_together([&](int t) {
      const std::string n = std::to_string(t);
      outcomes[t] = convert(dir.file("in" + n + ".mxp"), dir.file("out" + n + ".txt"));
    });
    for (int t = 0; t < kThreads; ++t) {
      SCOPED_TRACE("round " + std::to_string(round) + ", input " + std::to_string(t));
      EXPECT_EQ(outcomes[t].result, alone[t].records) << "errno " << outcomes[t].error;
      EXPECT_EQ(read_file(dir.file("out" + std::to_string(t) + ".txt")), alone[t].output);
    }
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(Concurrency, EightThreadsReadingOneFileEachGetTheWholeOutput) {
  TempDir dir;
  const std::vector<std::string> inputs = {labelled_recipes(1500, "\r\n")};
  const std::vector<Alone> alone = convert_alone(dir, inputs);

  for (int round = 0; round < kRounds / 2; ++round) {
    std::vector<Outcome> outcomes(kThreads);
    run_together([&](int t) {
      outcomes[t] = convert(dir.file("in0.mxp"), dir.file("shared" + std::to_string(t) + ".txt"));
    });
    for (int t = 0; t < kThreads; ++t) {
      SCOPED_TRACE("round " + std::to_string(round) + ", thread " + std::to_string(t));
      EXPECT_EQ(outcomes[t].result, alone[0].records) << "errno " << outcomes[t].error;
      EXPECT_EQ(read_file(dir.file("shared" + std::to_string(t) + ".txt")), alone[0].output);
    }
  }
}

}  // namespace
}  // namespace mirtabel::hardening
