// mxpconvert's parts: the command line, output naming and collision checks, one file's
// conversion with the recipes left out and its doubts about the input, and the parallel batch's
// ordering and failures.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "file_conversion/input_check.h"
#include "host/argument_path.h"
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

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
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

TEST(command_line_test, reads_options_as_getopt_long_does) {
  using Enc = mirtabel::InputEncoding;
  struct Case {
    std::vector<std::string> arguments;
    std::vector<fs::path> inputs;
    fs::path output;  // "" with -d
    fs::path output_dir;
    Verbosity verbosity;
    unsigned jobs;
    Enc encoding;
  };
  const Verbosity kN = Verbosity::kNormal, kQ = Verbosity::kQuiet, kV = Verbosity::kVerbose;
  const Case cases[] = {
      {{}, {"-"}, "-", "", kN, 0, Enc::kChoose},  // a filter
      {{"a.mxp"}, {"a.mxp"}, "-", "", kN, 0, Enc::kChoose},
      {{"a.mxp", "a.txt"}, {"a.mxp"}, "a.txt", "", kN, 0, Enc::kChoose},
      {{"a.mxp", "-o", "a.txt"}, {"a.mxp"}, "a.txt", "", kN, 0, Enc::kChoose},  // permuted
      {{"-oa.txt", "-"}, {"-"}, "a.txt", "", kN, 0, Enc::kChoose},
      {{"--output=a.txt", "a.mxp"}, {"a.mxp"}, "a.txt", "", kN, 0, Enc::kChoose},
      {{"-qv", "a.mxp"}, {"a.mxp"}, "-", "", kV, 0, Enc::kChoose},  // the last wins
      {{"--verbose", "--quiet", "a.mxp"}, {"a.mxp"}, "-", "", kQ, 0, Enc::kChoose},
      {{"--verb", "a.mxp"}, {"a.mxp"}, "-", "", kV, 0, Enc::kChoose},
      {{"-vd", "out", "a", "b"}, {"a", "b"}, "", "out", kV, 0, Enc::kChoose},
      {{"-j4", "--output-dir=out", "a"}, {"a"}, "", "out", kN, 4, Enc::kChoose},
      {{"--jobs", "1024", "-dout", "a"}, {"a"}, "", "out", kN, 1024, Enc::kChoose},
      {{"-f", "cp437", "a"}, {"a"}, "-", "", kN, 0, Enc::kCp437},
      {{"-futf-8", "a"}, {"a"}, "-", "", kN, 0, Enc::kUtf8},
      {{"--enc=Latin1", "a"}, {"a"}, "-", "", kN, 0, Enc::kLatin1},
      {{"-f", "MAC_roman", "a"}, {"a"}, "-", "", kN, 0, Enc::kMacRoman},
      {{"-d", "out", "--", "-a.mxp", "-q"}, {"-a.mxp", "-q"}, "", "out", kN, 0, Enc::kChoose},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.arguments));
    const CommandLine line = parse(c.arguments);
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.inputs, c.inputs);
    EXPECT_EQ(line.output, c.output);
    EXPECT_EQ(line.output_dir, c.output_dir);
    EXPECT_EQ(line.verbosity, c.verbosity);
    EXPECT_EQ(line.jobs, c.jobs);
    EXPECT_EQ(line.encoding, c.encoding);
  }
  const CommandLine switches = parse({"--no-c", "--str", "a"});  // prefixes
  EXPECT_TRUE(switches.no_clobber && switches.strict);
  EXPECT_EQ(parse({"a", "--help", "-x"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(parse({"-V"}).action, CommandLine::Action::kVersion);
}

TEST(command_line_test, refuses_wrong_usage_and_says_why) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"a.mxp", "b.mxp", "c.mxp"}, "-d"},    // several inputs need a directory
      {{"-o", "x", "a.mxp", "b.txt"}, "-d"},  // two outputs
      {{"-d", "out"}, "files"},
      {{"-d", "out", "-o", "x", "a"}, "one of them"},
      {{"-d", "out", "-"}, "standard input"},
      {{"a.mxp", "-o"}, "needs FILE"},
      {{"-o", "", "a"}, "file name"},
      {{"-j", "0", "-d", "o", "a"}, "1 to 1024"},
      {{"-j1025", "-d", "o", "a"}, "1 to 1024"},
      {{"--jobs=two", "-d", "o", "a"}, "1 to 1024"},
      {{"-f", "ebcdic", "a"}, "cp437"},
      {{"-f", "cp", "a"}, "cp437"},  // a name is given whole
      {{"--ver", "a"}, "ambiguous"},
      {{"--quiet=yes", "a"}, "no value"},
      {{"--frobnicate", "a"}, "unknown option '--frobnicate'"},
      {{"-qx", "a"}, "unknown option '-x'"},
  };
  for (const auto& [arguments, reason] : cases) {
    const std::string error = parse(arguments).error;
    EXPECT_NE(error.find(reason), std::string::npos) << shown(arguments) << ": " << error;
  }
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
  EXPECT_EQ(left_out_name({"in.mxp", "d/out.txt"}, OutputFormat::kRecords, false),
            fs::path("d/out.left-out.mxp"));
  EXPECT_EQ(left_out_name({"in.mxp", "d/out.html"}, OutputFormat::kHtml, false),
            fs::path("d/out.html.left-out.mxp"));
  EXPECT_EQ(left_out_name({"a/in.mxp", "-"}, OutputFormat::kRecords, true), fs::path());
}

TEST_F(TempDir, plan_refuses_inputs_that_share_an_output) {
  const fs::path out = dir_ / "out";
  EXPECT_TRUE(plan_outputs({"x/a.mxp", "y/b.mxp", "c"}, out).error.empty());
  EXPECT_NE(plan_outputs({"x/a.mxp", "y/a.mxp"}, out).error, "");
  EXPECT_NE(plan_outputs({"x/a.mxp", "x/a.txt"}, out).error, "");       // same stem
  EXPECT_NE(plan_outputs({"a.mxp", "b.mxp", "a.mxp"}, out).error, "");  // one input twice
  // The side file of a.mxp, should recipes be left out, is the other input.
  EXPECT_NE(plan_outputs({"a.mxp", out / "a.left-out.mxp"}, out).error, "");
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
  EXPECT_NE(plan.error.find("would replace the input"), std::string::npos) << plan.error;
}
#endif

// The side file holds the input's first line and each recipe left out as it stood; shortened,
// it converts to exactly those recipes.
TEST_F(TempDir, convert_file_keeps_the_recipes_left_out_in_a_side_file) {
  const std::string text = "\xEF\xBB\xBF" + recipe("Short One", 2) +
                           recipe("Endless Stew", kLongBody) + recipe("Just Fits", kShortBody) +
                           recipe("Giant Pie", kLongBody);
  const fs::path input = write("big.mxp", text);
  const FileJob job{input, dir_ / "big.txt"};
  ConversionSettings settings;
  settings.keep_titles = true;
  const FileOutcome outcome = convert_file(job, settings);
  EXPECT_EQ(outcome.error, 0);
  EXPECT_EQ(outcome.conversion.records, 2);
  EXPECT_EQ(outcome.left_out, 2u);
  EXPECT_EQ(outcome.dropped_titles, (std::vector<std::string>{"Endless Stew", "Giant Pie"}));
  EXPECT_EQ(outcome.conversion.bytes_read, text.size());
  EXPECT_EQ(outcome.conversion.bytes_written, fs::file_size(job.output));
  EXPECT_EQ(outcome.left_out_file, dir_ / "big.left-out.mxp");
  EXPECT_EQ(outcome.side_file_error, 0);
  EXPECT_EQ(read(outcome.left_out_file),
            "\xEF\xBB\xBF" + recipe("Endless Stew", kLongBody) + recipe("Giant Pie", kLongBody));

  write("shortened.mxp", recipe("Endless Stew", 3) + recipe("Giant Pie", 4));
  const FileOutcome again = convert_file({dir_ / "shortened.mxp", dir_ / "again.txt"}, {});
  EXPECT_EQ(again.conversion.records, 2);
  EXPECT_EQ(again.left_out, 0);
  EXPECT_FALSE(fs::exists(dir_ / "again.left-out.mxp"));
}

TEST_F(TempDir, convert_file_fails_as_convert_mxp_does_and_says_which_file) {
  const fs::path input = write("a.mxp", recipe("A", 1));
  const FileOutcome missing = convert_file({dir_ / "missing.mxp", dir_ / "m.txt"}, {});
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.failed, FailedPart::kInput);
  EXPECT_FALSE(fs::exists(dir_ / "m.txt"));
  const FileOutcome itself = convert_file({input, dir_ / "." / "a.mxp"}, {});
  EXPECT_EQ(itself.error, EINVAL);
  EXPECT_EQ(itself.failed, FailedPart::kOutput);
  EXPECT_EQ(fs::file_size(input), recipe("A", 1).size());
  const FileOutcome folder = convert_file({dir_, dir_ / "d.txt"}, {});
  EXPECT_EQ(folder.error, EISDIR);
  EXPECT_EQ(folder.failed, FailedPart::kInput);
  const FileOutcome no_dir = convert_file({input, dir_ / "no" / "d.txt"}, {});
  EXPECT_EQ(no_dir.error, ENOENT);
  EXPECT_EQ(no_dir.failed, FailedPart::kOutput);
  ConversionSettings no_clobber;
  no_clobber.no_clobber = true;
  const fs::path existing = write("kept.txt", "kept");
  const FileOutcome refused = convert_file({input, existing}, no_clobber);
  EXPECT_EQ(refused.error, EEXIST);
  EXPECT_EQ(read(existing), "kept");
}

TEST(input_check_test, doubts_inputs_that_are_not_mxp) {
  using Enc = mirtabel::InputEncoding;
  const std::string utf16le("M\0A\0R\0K\0\n\0\n\0T\0e\0a\0\n\0-\0-\0-\0-\0-\0-\0-\0-\0\n\0", 38);
  // What follows a marker line in a column-layout recipe, and in a labelled one.
  const std::string column = "\nTea\nServes: 2\n  --------  ------\nBoil.\n";
  const std::string labelled = "\nTitle: Tea\n\nBoil.\n";
  const struct {
    std::string bytes;
    std::size_t recipes;
    Enc encoding;
    InputDoubt doubt;
  } cases[] = {
      {"", 0, Enc::kUtf8, InputDoubt::kEmpty},
      {utf16le, 1, Enc::kUtf8, InputDoubt::kUtf16WithoutMark},
      {"\xFF\xFE" + utf16le, 1, Enc::kUtf8, InputDoubt::kNone},
      {"\r\nMARK\r\n", 3, Enc::kUtf8, InputDoubt::kFirstLineEmpty},
      {"\xEF\xBB\xBF\nMARK\n", 3, Enc::kUtf8, InputDoubt::kFirstLineEmpty},
      {std::string("\x7F"
                   "ELF\x02\x01\x01\0\0",
                   9),
       1, Enc::kUtf8, InputDoubt::kControlCharacters},
      {"MARK \xC2\x9B"
       "31m\n",
       1, Enc::kUtf8, InputDoubt::kControlCharacters},                  // C1 as UTF-8
      {"MARK \x81\n", 1, Enc::kUtf8, InputDoubt::kControlCharacters},   // 1252's unassigned
      {"MARK \x9B\xF8\n" + column, 1, Enc::kCp437, InputDoubt::kNone},  // letters in cp437
      {"MARK \x9B\n", 1, Enc::kLatin1, InputDoubt::kControlCharacters},
      {"*\tExport\t*\n" + column, 1, Enc::kUtf8, InputDoubt::kNone},
      {"Dear John,\nhow are you?\n", 0, Enc::kUtf8, InputDoubt::kNoRecipe},
      // The first recipe's layout: a "Title:" line, or a rule that ends its header.
      {"MARK\r\n" + labelled, 1, Enc::kUtf8, InputDoubt::kNone},
      {"MARK\r\n\r\nTea\r\n--------\r\n", 1, Enc::kUtf8, InputDoubt::kNone},
      {"root:x:0:0\nbin:x:1:1\nsys:x:2:2\n", 1, Enc::kUtf8, InputDoubt::kNoLayout},
      {"MARK\n\nTea\nServes: 2\n", 1, Enc::kUtf8, InputDoubt::kNoLayout},  // no rule at all
      {"MARK\n\nTea\n", 1, Enc::kUtf8, InputDoubt::kNoLayout},             // only a title
      {"# Notes\n\nText.\nA rule is `--------` in text.\n", 1, Enc::kUtf8, InputDoubt::kNoLayout},
      // A header that runs on past the start that is looked at has no rule either.
      {"MARK\n\nTea\n" + std::string(kInputStartBytes, 'x') + "\n--------\n", 1, Enc::kUtf8,
       InputDoubt::kNoLayout},
      // The next recipe starts before the first one's rule: its header would swallow it.
      {"MARK\n\nTea\nServes: 2\nMARK" + column, 2, Enc::kUtf8, InputDoubt::kNoLayout},
  };
  for (const auto& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(doubt_about(bytes, c.bytes.size(), c.bytes.size(), c.recipes, c.encoding), c.doubt)
        << c.bytes;
  }
}

TEST(argument_path_test, shows_names_and_titles_without_control_characters) {
  const std::pair<std::string, std::string> cases[] = {
      {"Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
       "e",
       "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
       "e"},
      {"red\x1B[31m", "red?[31m"},
      {"csi\xC2\x9B"
       "2J",
       "csi?2J"},                // U+009B, the one-character CSI
      {"raw\x9B\xFF", "raw??"},  // not UTF-8: a terminal may take 0x9B as CSI
      {"tab\there\x7F", "tab?here?"},
      // The bidirectional controls at each end of their two ranges, which could reorder a name;
      // U+202F beside them is a no-break space and stays.
      {"a\xE2\x80\xAA"
       "b\xE2\x80\xAE"
       "c\xE2\x81\xA6"
       "d\xE2\x81\xA9"
       "e\xE2\x80\xAF",
       "a?b?c?d?e\xE2\x80\xAF"},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(printable(text), expected);
  EXPECT_EQ(quoted_name(""), "''");
  EXPECT_EQ(quoted_name("-"), "standard input");
  EXPECT_EQ(quoted_name("-", true), "standard output");
}

// The observer hears only the recipes that are not written, in order, and each once, with the
// input's bytes that make an MXP text of that recipe alone.
TEST(conversion_observer_test, hears_every_recipe_left_out_and_no_other) {
  struct LeftOut final : mirtabel::ConversionObserver {
    const std::string* input = nullptr;
    std::vector<std::string> titles, texts;
    std::vector<std::int32_t> records_before;
    void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
      titles.emplace_back(reinterpret_cast<const char*>(recipe.title_field), recipe.title_size);
      records_before.push_back(recipe.records_before);
      const auto at = [](std::uint64_t offset) { return static_cast<std::size_t>(offset); };
      texts.push_back(
          input->substr(0, at(recipe.place.first_line_end)) +
          input->substr(at(recipe.place.begin), at(recipe.place.end - recipe.place.begin)));
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
  const std::vector<std::int32_t> records_before[] = {{0, 1}, {0}};  // B is written between
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
    EXPECT_EQ(left_out.records_before, records_before[i]);
  }
}

struct Recorder final : BatchListener {
  std::vector<std::size_t> done;
  std::vector<std::size_t> finished;
  void file_done(std::size_t index, const FileOutcome&) override { done.push_back(index); }
  void progress(std::size_t count, std::size_t) override { finished.push_back(count); }
};

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

  Recorder recorder;
  const BatchResult result = run_batch(
      jobs.size(), 4, [&](std::size_t job, unsigned) { return convert_file(jobs[job], {}); },
      recorder);

  EXPECT_EQ(result.threads, 4u);
  const std::vector<FileOutcome>& outcomes = result.outcomes;
  ASSERT_EQ(outcomes.size(), jobs.size());
  for (std::size_t i = 0; i + 1 < jobs.size(); ++i) {
    EXPECT_EQ(outcomes[i].error, 0);
    EXPECT_EQ(outcomes[i].conversion.records, i % 3 == 0 ? 400 : 1) << i;
  }
  EXPECT_EQ(outcomes.back().error, ENOENT);
  ASSERT_EQ(recorder.done.size(), jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i)
    EXPECT_EQ(recorder.done[i], i);
  EXPECT_EQ(recorder.finished.back(), jobs.size());
  for (std::size_t i = 1; i < recorder.finished.size(); ++i)
    EXPECT_GE(recorder.finished[i], recorder.finished[i - 1]);
}

// Threads that cannot be started, jobs that run out of memory and a listener that throws end
// the batch cleanly: no std::terminate, every started thread joined.
std::atomic<int> threads_allowed{0};

int start_some(WorkerThread& thread, void (*run)(void*), void* argument) noexcept {
  if (threads_allowed.fetch_sub(1) <= 0) return EAGAIN;
  return start_worker_thread(thread, run, argument);
}

TEST(batch_test, goes_on_with_the_threads_it_could_start) {
  const auto work = [](std::size_t job, unsigned worker) {
    if (job == 3) throw std::bad_alloc();
    FileOutcome outcome;
    outcome.conversion.records = static_cast<std::int32_t>(worker);
    return outcome;
  };
  Recorder recorder;
  threads_allowed = 2;
  const BatchResult some = run_batch(10, 8, work, recorder, start_some);
  EXPECT_EQ(some.threads, 2u);
  EXPECT_EQ(some.thread_error, EAGAIN);
  ASSERT_EQ(some.outcomes.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(some.outcomes[i].error, i == 3 ? ENOMEM : 0) << i;
    EXPECT_LT(some.outcomes[i].conversion.records, 2) << "worker numbers run from 0 to threads - 1";
  }
  EXPECT_EQ(recorder.done.size(), 10u);

  threads_allowed = 0;
  Recorder none;
  const BatchResult nothing = run_batch(10, 8, work, none, start_some);
  EXPECT_EQ(nothing.threads, 0u);
  EXPECT_TRUE(none.done.empty());

  struct Throwing final : BatchListener {
    void file_done(std::size_t, const FileOutcome&) override { throw std::runtime_error("x"); }
    void progress(std::size_t, std::size_t) override {}
  } throwing;
  std::atomic<int> ran{0};
  EXPECT_THROW(run_batch(
                   1000, 4,
                   [&](std::size_t, unsigned) {
                     ++ran;
                     std::this_thread::sleep_for(std::chrono::milliseconds(1));
                     return FileOutcome();
                   },
                   throwing),
               std::runtime_error);
  EXPECT_LT(ran.load(), 1000);
}

}  // namespace
