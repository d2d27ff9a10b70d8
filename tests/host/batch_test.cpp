// mxpconvert's parts for many files: the command line, output naming and collision checks, one
// file's conversion with its dropped-recipe report, and the parallel batch's ordering.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/batch.h"
#include "host/command_line.h"
#include "host/file_conversion.h"
#include "host/output_plan.h"
#include "tests/support/memory_streams.h"

namespace fs = std::filesystem;

namespace {

// A column-layout recipe; a body of `body_lines` lines of 99 characters each.
std::string recipe(const std::string& title, int body_lines) {
  std::string text = "*  Recipe export  *\n\n      " + title + "\n\nRecipe By : x\n--------\n";
  for (int i = 0; i < body_lines; ++i)
    text += std::string(99, 'x') + "\n";
  return text;
}

// 100 lines of 99 characters, each with its page mark, pass the 9,500-character limit; 90 do
// not.
constexpr int kLongBody = 100;
constexpr int kShortBody = 90;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("mirtabel-host-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  fs::path dir_;
};

struct ParseCase {
  std::vector<std::string> arguments;
  bool batch;
  std::size_t inputs;
  unsigned jobs;
  Verbosity verbosity;
};

std::string shown(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& a : arguments)
    text += a + " ";
  return text;
}

CommandLine parse(const std::vector<std::string>& arguments) {
  return parse_command_line(std::vector<fs::path>(arguments.begin(), arguments.end()));
}

TEST(command_line_test, accepts_both_forms) {
  const ParseCase cases[] = {
      {{"a.mxp", "a.txt"}, false, 1, 0, Verbosity::kNormal},
      {{"-q", "a.mxp", "a.txt"}, false, 1, 0, Verbosity::kQuiet},
      {{"-o", "out", "a.mxp", "b.mxp"}, true, 2, 0, Verbosity::kNormal},
      {{"-oout", "a.mxp"}, true, 1, 0, Verbosity::kNormal},
      {{"--output-dir=out", "-v", "a.mxp"}, true, 1, 0, Verbosity::kVerbose},
      {{"--output-dir", "out", "-j", "3", "a.mxp"}, true, 1, 3, Verbosity::kNormal},
      {{"-j12", "-o", "out", "a.mxp"}, true, 1, 12, Verbosity::kNormal},
      {{"--jobs=1024", "-o", "out", "a.mxp"}, true, 1, 1024, Verbosity::kNormal},
      {{"-o", "out", "--", "-a.mxp", "-q"}, true, 2, 0, Verbosity::kNormal},
      {{"-", "a.txt"}, false, 1, 0, Verbosity::kNormal},  // "-" is a file name
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(shown(c.arguments));
    const CommandLine line = parse(c.arguments);
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.batch, c.batch);
    EXPECT_EQ(line.inputs.size(), c.inputs);
    EXPECT_EQ(line.jobs, c.jobs);
    EXPECT_EQ(line.verbosity, c.verbosity);
  }
}

TEST(command_line_test, refuses_wrong_usage) {
  const std::vector<std::string> cases[] = {
      {"a.mxp"},                             // no output
      {"a.mxp", "b.mxp", "c.mxp"},           // several inputs without -o
      {"-o", "out"},                         // no input
      {"a.mxp", "-o"},                       // -o without its directory
      {"-o", "x", "-o", "y", "a.mxp"},       // two directories
      {"-j", "0", "-o", "out", "a.mxp"},     // jobs out of range, or not a number
      {"-j1025", "-o", "out", "a.mxp"},      //
      {"--jobs=two", "-o", "out", "a.mxp"},  //
      {"-o", "out", "a.mxp", "-j"},          //
      {"-q", "-v", "a.mxp", "a.txt"},        // contradicting
      {"--frobnicate", "a.mxp", "a.txt"},    // unknown
  };
  for (const auto& arguments : cases) {
    EXPECT_NE(parse(arguments).error, "") << shown(arguments);
  }
}

TEST(command_line_test, keeps_the_file_names_and_the_output) {
  const CommandLine single = parse({"in.mxp", "out.txt"});
  ASSERT_EQ(single.inputs.size(), 1u);
  EXPECT_EQ(single.inputs[0], "in.mxp");
  EXPECT_EQ(single.output, "out.txt");
  const CommandLine batch = parse({"-oconverted", "-", "b.mxp"});
  EXPECT_EQ(batch.output, "converted");
  EXPECT_EQ(batch.inputs, (std::vector<fs::path>{"-", "b.mxp"}));
  EXPECT_EQ(parse({"a", "--help", "-x"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(parse({"-V"}).action, CommandLine::Action::kVersion);
}

TEST(output_plan_test, names_each_output_after_its_input) {
  const std::pair<const char*, const char*> cases[] = {
      {"a.mxp", "a.txt"},
      {"dir/a.MXP", "a.txt"},
      {"a", "a.txt"},
      {"a.b.mxp", "a.b.txt"},
      {".hidden", ".hidden.txt"},
      {"dir/sub/", "sub.txt"},
      {"a.txt", "a.txt"},
      {"r\xC3\xA9"
       "cipes.mxp",
       "r\xC3\xA9"
       "cipes.txt"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(output_name(input, "out"), fs::path("out") / expected) << input;
  }
}

TEST_F(TempDir, plan_refuses_inputs_that_share_an_output) {
  const fs::path out = dir_ / "out";
  EXPECT_TRUE(plan_outputs({"x/a.mxp", "y/b.mxp", "c"}, out).error.empty());
  EXPECT_NE(plan_outputs({"x/a.mxp", "y/a.mxp"}, out).error, "");
  EXPECT_NE(plan_outputs({"x/a.mxp", "x/a.txt"}, out).error, "");       // same stem
  EXPECT_NE(plan_outputs({"a.mxp", "b.mxp", "a.mxp"}, out).error, "");  // one input twice
  const OutputPlan plan = plan_outputs({"x/a.mxp", "b"}, out);
  ASSERT_EQ(plan.jobs.size(), 2u);
  EXPECT_EQ(plan.jobs[1].input, "b");
  EXPECT_EQ(plan.jobs[1].output, out / "b.txt");
}

TEST_F(TempDir, plan_leaves_an_output_naming_its_own_input_to_the_conversion) {
  // The conversion refuses it alone, with EINVAL; the other files still convert.
  const fs::path own = write("a.txt", recipe("A", 1));
  EXPECT_TRUE(plan_outputs({own, write("b.mxp", recipe("B", 1))}, dir_).error.empty());
}

#ifndef _WIN32
TEST_F(TempDir, plan_refuses_an_output_that_is_another_input_under_another_name) {
  // link.mxp is out/a.txt, which a.mxp's conversion would replace while link.mxp is read.
  const fs::path target = write("out/a.txt", recipe("A", 1));
  fs::create_symlink(target, dir_ / "link.mxp");
  const OutputPlan plan =
      plan_outputs({write("a.mxp", recipe("A", 1)), dir_ / "link.mxp"}, dir_ / "out");
  EXPECT_NE(plan.error.find("is the input"), std::string::npos) << plan.error;
}
#endif

TEST_F(TempDir, convert_file_counts_bytes_and_reports_the_recipes_left_out) {
  const std::string text = recipe("Short One", 2) + recipe("Endless Stew", kLongBody) +
                           recipe("Just Fits", kShortBody) + recipe("Giant Pie", kLongBody);
  const fs::path input = write("big.mxp", text);
  const fs::path output = dir_ / "big.txt";
  const FileOutcome outcome = convert_file(input, output, true);
  EXPECT_EQ(outcome.error, 0);
  EXPECT_EQ(outcome.records, 2);
  EXPECT_EQ(outcome.dropped, 2u);
  EXPECT_EQ(outcome.dropped_titles, (std::vector<std::string>{"Endless Stew", "Giant Pie"}));
  EXPECT_EQ(outcome.bytes_read, text.size());
  EXPECT_EQ(outcome.bytes_written, fs::file_size(output));

  const FileOutcome counted = convert_file(input, output, false);
  EXPECT_EQ(counted.dropped, 2u);
  EXPECT_TRUE(counted.dropped_titles.empty());
}

TEST_F(TempDir, convert_file_fails_as_convert_mxp_does_and_says_which_file) {
  const fs::path input = write("a.mxp", recipe("A", 1));
  const FileOutcome missing = convert_file(dir_ / "missing.mxp", dir_ / "m.txt", false);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_FALSE(missing.output_failed);
  EXPECT_FALSE(fs::exists(dir_ / "m.txt"));
  const FileOutcome itself = convert_file(input, dir_ / "." / "a.mxp", false);
  EXPECT_EQ(itself.error, EINVAL);
  EXPECT_TRUE(itself.output_failed);
  EXPECT_EQ(fs::file_size(input), recipe("A", 1).size());
  const FileOutcome folder = convert_file(dir_, dir_ / "d.txt", false);
  EXPECT_EQ(folder.error, EISDIR);
  EXPECT_FALSE(folder.output_failed);
  const FileOutcome no_dir = convert_file(input, dir_ / "no" / "d.txt", false);
  EXPECT_EQ(no_dir.error, ENOENT);
  EXPECT_TRUE(no_dir.output_failed);
}

// The observer hears only the recipes that are not written, in order, and each once, with the
// input's bytes that make an MXP text of that recipe alone.
TEST(conversion_observer_test, hears_every_recipe_left_out_and_no_other) {
  struct LeftOut final : mirtabel::ConversionObserver {
    const std::string* input = nullptr;
    std::vector<std::string> titles, texts;
    void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
      titles.emplace_back(reinterpret_cast<const char*>(recipe.title_field), recipe.title_size);
      texts.push_back(input->substr(0, recipe.first_line_end) +
                      input->substr(recipe.begin, recipe.end - recipe.begin));
    }
  } left_out;
  const std::string labelled_long =
      "MXP\nx\nTitle: Long Soup\nh\n\n" + std::string(9600, 'y') + "\n\ntext\n";
  const std::string inputs[] = {
      recipe("A", kLongBody) + recipe("B", 1) + "junk\n" + recipe("C", kLongBody),
      labelled_long,
  };
  const std::vector<std::string> titles[] = {{"A", "C"}, {"Long Soup"}};
  const std::vector<std::string> texts[] = {{recipe("A", kLongBody), recipe("C", kLongBody)},
                                            {labelled_long}};
  for (std::size_t i = 0; i < 2; ++i) {
    left_out = {};
    left_out.input = &inputs[i];
    mirtabel::testing::MemorySource source(inputs[i]);
    mirtabel::testing::MemorySink sink;
    mirtabel::ConversionOptions options;
    options.observer = &left_out;
    const mirtabel::ConversionResult result = mirtabel::convert_mxp(source, sink, options);
    ASSERT_EQ(result.error, 0);
    ASSERT_EQ(left_out.titles.size(), titles[i].size()) << i;
    for (std::size_t k = 0; k < titles[i].size(); ++k) {
      EXPECT_EQ(left_out.titles[k].size(), 100u);  // the whole title field
      EXPECT_EQ(left_out.titles[k].rfind(titles[i][k], 0), 0u) << left_out.titles[k];
    }
    EXPECT_EQ(left_out.texts, texts[i]);
  }
}

TEST_F(TempDir, batch_reports_in_input_order_whatever_order_threads_finish) {
  // Big and small files mixed, so that later files tend to finish first.
  std::vector<FileJob> jobs;
  for (int i = 0; i < 24; ++i) {
    std::string text;
    const int recipes = i % 3 == 0 ? 400 : 1;
    for (int r = 0; r < recipes; ++r)
      text += recipe("R", 3);
    const std::string name = "f" + std::to_string(i);
    jobs.push_back({write(name + ".mxp", text), dir_ / (name + ".txt")});
  }
  jobs.push_back({dir_ / "missing.mxp", dir_ / "missing.txt"});

  struct Recorder final : BatchListener {
    std::vector<std::size_t> done;
    std::vector<std::size_t> finished;
    void file_done(std::size_t index, const FileOutcome&) override { done.push_back(index); }
    void progress(std::size_t count, std::size_t) override { finished.push_back(count); }
  } recorder;
  const std::vector<FileOutcome> outcomes = convert_all(jobs, 4, false, recorder);

  ASSERT_EQ(outcomes.size(), jobs.size());
  for (std::size_t i = 0; i + 1 < jobs.size(); ++i) {
    EXPECT_EQ(outcomes[i].error, 0);
    EXPECT_EQ(outcomes[i].records, i % 3 == 0 ? 400 : 1) << i;
  }
  EXPECT_EQ(outcomes.back().error, ENOENT);
  ASSERT_EQ(recorder.done.size(), jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i)
    EXPECT_EQ(recorder.done[i], i);
  EXPECT_EQ(recorder.finished.back(), jobs.size());
  for (std::size_t i = 1; i < recorder.finished.size(); ++i)
    EXPECT_GT(recorder.finished[i], recorder.finished[i - 1]);
}

}  // namespace
