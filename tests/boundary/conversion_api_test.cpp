// The conversion API's refusals and failures: each gives its code and errno, in the report too,
// and leaves every path as it was; and the cookbook, which reads its input twice, by every way
// the input comes. Its other successes are checked where its users meet it: the C consumer and
// the Python package in tests/package/, the DLL under Wine.
#include <errno.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "exports/api_outcome.h"
#include "exports/mirtabel.h"
#include "tests/boundary/test_files.h"

namespace mirtabel::testing {
namespace {

std::vector<std::string> names_in(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Options larger than this version's, as a newer header would give them.
struct NewerOptions {
  mirtabel_options known;
  std::int64_t added;
};

TEST(ConversionApi, RefusalsAndFailuresLeaveEveryPathAsItWas) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RecipeFile recipes = generated_recipes(500);
  recipes.add("Too long", std::vector<std::string>(100, std::string(99, 'y')));
  const std::string input = dir / "in.mxp", output = dir / "out.txt", side = dir / "side.mxp";
  ASSERT_TRUE(write_file(input, recipes.text));
  ASSERT_TRUE(write_file(output, "previous"));

  const std::string missing_dir_side = dir / "none/side.mxp", missing = dir / "missing.mxp";
  constexpr std::size_t kSize = sizeof(mirtabel_options);
  constexpr std::size_t kSize11 = offsetof(mirtabel_options, title);
  const struct {
    const char* what;
    const char* input;
    const char* output;
    std::size_t size;
    int format;
    const char* encoding;
    const char* side;
    std::int64_t added;  // a field a newer header has
    int code, error;
  } cases[] = {
      {"no input path", nullptr, output.c_str(), kSize, 0, nullptr, nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"options of a size between 1.1's and this one's", input.c_str(), output.c_str(), kSize - 1,
       0, nullptr, nullptr, 0, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"options smaller than 1.1's", input.c_str(), output.c_str(), kSize11 - 1, 0, nullptr,
       nullptr, 0, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"a newer field set", input.c_str(), output.c_str(), sizeof(NewerOptions), 0, nullptr,
       nullptr, 1, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"an unknown format", input.c_str(), output.c_str(), kSize, 7, nullptr, nullptr, 0,
       MIRTABEL_ERROR_NOT_SUPPORTED, ENOTSUP},
      {"an unknown encoding", input.c_str(), output.c_str(), kSize, 0, "ebcdic", nullptr, 0,
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file at the output's path", input.c_str(), output.c_str(), kSize, 0, nullptr,
       output.c_str(), 0, MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file in a missing directory", input.c_str(), output.c_str(), kSize, 0, nullptr,
       missing_dir_side.c_str(), 0, MIRTABEL_ERROR_LEFT_OUT_FILE, ENOENT},
      {"the output is the input", input.c_str(), input.c_str(), kSize, 0, nullptr, side.c_str(), 0,
       MIRTABEL_ERROR_OUTPUT, EINVAL},
      {"a missing input", missing.c_str(), output.c_str(), kSize, 0, nullptr, side.c_str(), 0,
       MIRTABEL_ERROR_INPUT, ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NewerOptions options{};
    options.known.size = c.size;
    options.known.format = c.format;
    options.known.encoding = c.encoding;
    options.known.left_out_path = c.side;
    options.added = c.added;
    mirtabel_report report{};
    report.size = sizeof report;
    errno = 0;
    EXPECT_EQ(mirtabel_convert(c.input, c.output, &options.known, &report), c.code);
    EXPECT_EQ(errno, c.error);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(read_file(output), "previous");
    EXPECT_EQ(read_file(input), recipes.text);
    EXPECT_EQ(names_in(dir / "."), (std::vector<std::string>{"in.mxp", "out.txt"}));
  }
  // A newer structure whose added fields are zero is taken, and one from the 1.1 header, which
  // ends before the title: what the caller's memory holds after it is not read.
  const struct {
    std::size_t size;
    int format;
    const char* after_the_structure;  // in the title's place
  } taken[] = {
      {sizeof(NewerOptions), MIRTABEL_FORMAT_RECORDS, nullptr},
      {kSize11, MIRTABEL_FORMAT_RECORDS, nullptr},
      {kSize11, MIRTABEL_FORMAT_HTML, "Stray"},
      {offsetof(mirtabel_options, force), MIRTABEL_FORMAT_RECORDS, nullptr},
  };
  for (const auto& t : taken) {
    SCOPED_TRACE(t.size);
    NewerOptions newer{};
    newer.known.size = t.size;
    newer.known.format = t.format;
    newer.known.title = t.after_the_structure;
    ASSERT_TRUE(write_file(output, "previous"));
    EXPECT_EQ(mirtabel_convert(input.c_str(), output.c_str(), &newer.known, nullptr), MIRTABEL_OK);
    const std::string written = read_file(output);
    if (t.format == MIRTABEL_FORMAT_HTML) {
      EXPECT_NE(written.find("<title>Cookbook</title>"), std::string::npos);
    } else {
      EXPECT_TRUE(written == recipes.records.substr(0, recipes.records.rfind("Too long")));
    }
  }
}

// A side file that names the output under another spelling is refused before anything is
// written, as the output's rename would replace it; so are outputs and side files that name the
// input. A side file of its own holds each recipe left out behind the input's first line, whose
// byte-order mark only the file's start carries.
TEST(ConversionApi, PathsThatNameOneFileAreRefusedWhateverTheSpelling) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string mark = "\xEF\xBB\xBF";
  RecipeFile short_one, long_one, long_two;
  short_one.add("Short", {"one line"});
  long_one.add("Too long", std::vector<std::string>(100, std::string(99, 'y')));
  long_two.add("Too long again", std::vector<std::string>(100, std::string(99, 'z')));
  const std::string text = mark + short_one.text + long_one.text + short_one.text + long_two.text;
  const std::string input = dir / "in.mxp", sub = dir / "out-side";
  ASSERT_TRUE(write_file(input, text));

  enum class Link { kNone, kHard, kSymbolic };  // the side path made a link to `linked`
  const struct {
    const char* what;
    int format;
    std::string output, side;
    bool output_exists;
    Link link;
    std::string linked;
    int code, error;
  } cases[] = {
      {"the side file through ./", MIRTABEL_FORMAT_RECORDS, sub + "/out.txt", sub + "/./out.txt",
       false, Link::kNone, "", MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file through //", MIRTABEL_FORMAT_JSON_LINES, sub + "/out.jsonl",
       sub + "//out.jsonl", false, Link::kNone, "", MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file through ../", MIRTABEL_FORMAT_HTML, sub + "/out.html",
       sub + "/../out-side/out.html", true, Link::kNone, "", MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file a hard link to the output", MIRTABEL_FORMAT_RECORDS, sub + "/out.txt",
       sub + "/side.mxp", true, Link::kHard, sub + "/out.txt", MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file a symbolic link to the output", MIRTABEL_FORMAT_RECORDS, sub + "/out.txt",
       sub + "/side.mxp", true, Link::kSymbolic, "out.txt", MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file a symbolic link to the output to be", MIRTABEL_FORMAT_RECORDS,
       sub + "/out.txt", sub + "/side.mxp", false, Link::kSymbolic, "out.txt",
       MIRTABEL_ERROR_OPTIONS, EINVAL},
      {"the side file a hard link to the input", MIRTABEL_FORMAT_RECORDS, sub + "/out.txt",
       sub + "/side.mxp", false, Link::kHard, input, MIRTABEL_ERROR_LEFT_OUT_FILE, EINVAL},
      {"the output the input through ./", MIRTABEL_FORMAT_RECORDS, dir / "./in.mxp",
       sub + "/side.mxp", false, Link::kNone, "", MIRTABEL_ERROR_OUTPUT, EINVAL},
      {"a side file of its own", MIRTABEL_FORMAT_RECORDS, sub + "/out.txt", sub + "/side.mxp", true,
       Link::kNone, "", MIRTABEL_OK, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(sub);
    std::filesystem::create_directory(sub);
    ASSERT_TRUE(!c.output_exists || write_file(c.output, "previous"));
    if (c.link == Link::kHard) std::filesystem::create_hard_link(c.linked, c.side);
    if (c.link == Link::kSymbolic) std::filesystem::create_symlink(c.linked, c.side);
    const std::vector<std::string> names = names_in(sub);
    const std::string output_before = read_file(c.output);
    mirtabel_options options{};
    options.size = sizeof options;
    options.format = c.format;
    options.left_out_path = c.side.c_str();
    mirtabel_report report{};
    report.size = sizeof report;
    EXPECT_EQ(mirtabel_convert(input.c_str(), c.output.c_str(), &options, &report), c.code);
    EXPECT_EQ(report.error, c.error);
    EXPECT_TRUE(read_file(input) == text);
    if (c.code == MIRTABEL_OK) {
      EXPECT_EQ(report.left_out, 2);
      EXPECT_TRUE(read_file(c.output) == short_one.records + short_one.records);
      EXPECT_TRUE(read_file(c.side) == mark + long_one.text + long_two.text);
    } else {
      EXPECT_TRUE(read_file(c.output) == output_before);
      EXPECT_EQ(names_in(sub), names);
    }
  }
}

// The stream form's input from memory, started over by its rewind function; the output into
// memory.
struct MemoryStreams {
  std::string input;
  std::size_t position = 0;
  std::string output;
  int rewinds = 0;

  static std::ptrdiff_t read(void* context, unsigned char* buffer, size_t capacity) {
    auto* s = static_cast<MemoryStreams*>(context);
    const std::size_t size = std::min(capacity, s->input.size() - s->position);
    std::memcpy(buffer, s->input.data() + s->position, size);
    s->position += size;
    return static_cast<std::ptrdiff_t>(size);
  }
  static int write(void* context, const unsigned char* bytes, size_t size) {
    static_cast<MemoryStreams*>(context)->output.append(reinterpret_cast<const char*>(bytes), size);
    return 0;
  }
  static int rewind(void* context) {
    auto* s = static_cast<MemoryStreams*>(context);
    s->position = 0;
    ++s->rewinds;
    return 0;
  }
};

// The left-out callback's record of what it heard.
struct Heard {
  std::vector<std::string> titles;
  std::vector<std::int32_t> reasons;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> places;
  std::uint64_t first_line_end = 0;

  static void hear(void* context, const mirtabel_left_out* recipe) {
    auto* heard = static_cast<Heard*>(context);
    heard->titles.push_back(recipe->title);
    heard->reasons.push_back(recipe->reason);
    heard->places.emplace_back(recipe->begin, recipe->end);
    heard->first_line_end = recipe->first_line_end;
  }
};

// The cookbook reads its input twice, whichever way the input comes: a regular file, a FIFO
// (through a scratch copy), a stream that rewinds or one copied for the second reading. Every
// way writes the same bytes, each recipe once. A recipe written cut is heard of and kept whole in
// the side file, in the path form; heard of without a side file too.
TEST(ConversionApi, TheCookbookIsTheSameWhateverTheInputAndKeepsTheCutRecipe) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RecipeFile recipes = generated_recipes(3000);
  const std::size_t huge_begin = recipes.text.size();
  // Over 1 MiB of text: written cut.
  recipes.add("Huge", std::vector<std::string>(11000, std::string(99, 'y')));
  const std::size_t huge_end = recipes.text.size();
  recipes.add("Last", {"one line"});
  const std::string input = dir / "in.mxp", fifo = dir / "fifo.mxp";
  ASSERT_TRUE(write_file(input, recipes.text));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  enum class Way { kFile, kFifo, kFileWithoutSideFile, kRewind, kCopy };
  std::string first_output;
  for (const Way way :
       {Way::kFile, Way::kFifo, Way::kFileWithoutSideFile, Way::kRewind, Way::kCopy}) {
    SCOPED_TRACE(static_cast<int>(way));
    Heard heard;
    mirtabel_options options{};
    options.size = sizeof options;
    options.format = MIRTABEL_FORMAT_HTML;
    options.title = "Family <favourites>";
    options.left_out = Heard::hear;
    options.left_out_context = &heard;
    mirtabel_report report{};
    report.size = sizeof report;
    std::string output;
    const std::string side = dir / "side.mxp";
    if (way == Way::kFile || way == Way::kFifo || way == Way::kFileWithoutSideFile) {
      if (way != Way::kFileWithoutSideFile) options.left_out_path = side.c_str();
      std::thread writer;
      if (way == Way::kFifo) writer = std::thread([&] { write_file(fifo, recipes.text); });
      const std::string out = dir / "out.html";
      EXPECT_EQ(mirtabel_convert(way == Way::kFifo ? fifo.c_str() : input.c_str(), out.c_str(),
                                 &options, &report),
                MIRTABEL_OK);
      if (writer.joinable()) writer.join();
      output = read_file(out);
      // The recipe's text after its marker line, behind the input's first line, which is the
      // same marker line.
      const std::string first_line = recipes.text.substr(0, recipes.text.find('\n') + 1);
      EXPECT_EQ(heard.titles, std::vector<std::string>{"Huge"});
      EXPECT_EQ(heard.reasons, std::vector<std::int32_t>{MIRTABEL_LEFT_OUT_CUT});
      ASSERT_EQ(heard.places.size(), 1u);
      EXPECT_EQ(heard.places[0].first, huge_begin + first_line.size());
      EXPECT_EQ(heard.places[0].second, huge_end);
      const std::string kept =
          way == Way::kFileWithoutSideFile
              ? "<missing>"
              : first_line + recipes.text.substr(huge_begin + first_line.size(),
                                                 huge_end - huge_begin - first_line.size());
      EXPECT_TRUE(read_file(side) == kept);
      std::filesystem::remove(side);
    } else {
      MemoryStreams streams;
      streams.input = recipes.text;
      if (way == Way::kRewind) options.rewind = MemoryStreams::rewind;
      EXPECT_EQ(mirtabel_convert_stream(MemoryStreams::read, MemoryStreams::write, &streams,
                                        &options, &report),
                MIRTABEL_OK);
      EXPECT_EQ(streams.rewinds, way == Way::kRewind ? 1 : 0);
      EXPECT_TRUE(heard.titles.empty());
      output = streams.output;
    }
    EXPECT_EQ(report.records, recipes.count);
    EXPECT_EQ(report.cut, 1);
    EXPECT_EQ(report.left_out, 0);
    EXPECT_EQ(report.bytes_written, output.size());
    EXPECT_NE(output.find("<title>Family &lt;favourites&gt;</title>"), std::string::npos);
    for (const char* title : {"Recipe number 0<", "Huge<", "Last<"}) {
      // Each article's heading once, after the contents list's entry.
      const std::size_t entry = output.find(title);
      ASSERT_NE(entry, std::string::npos) << title;
      const std::size_t article = output.find(title, entry + 1);
      EXPECT_NE(article, std::string::npos) << title;
    }
    if (first_output.empty()) first_output = output;
    EXPECT_TRUE(output == first_output);
  }
}

// The warnings the callback hears, and the marker used in the report: an archive whose first
// line is blank, of spaces only or junk, and two exports joined; the marker "auto" mends each.
TEST(ConversionApi, WarningsAreHeardAndTheMarkerAutoMendsThem) {
  std::string archive;
  for (const char* title : {"Soup", "Tea"})
    archive += std::string("* Export *\n\n   ") + title + "\nBy: me\n--------\nStir.\n\n";
  std::string joined = archive;
  joined.replace(0, 10, "*  Export\t*");
  const struct {
    std::string input;
    std::int32_t kind;
    const char* marker_used;
    std::int32_t records_with_auto;
  } rows[] = {
      {"\n" + archive, MIRTABEL_WARNING_MARKER, "", 2},
      {"   \n" + archive, MIRTABEL_WARNING_MARKER, "   ", 2},
      {"Garbage\n" + archive, MIRTABEL_WARNING_MARKER, "Garbage", 2},
      {archive + joined, MIRTABEL_WARNING_JOINED, "* Export *", 4},
  };
  struct Warnings {
    std::vector<std::int32_t> kinds;
    static void hear(void* context, const mirtabel_warning* warning) {
      static_cast<Warnings*>(context)->kinds.push_back(warning->kind);
    }
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    for (const char* marker : {static_cast<const char*>(nullptr), "auto"}) {
      MemoryStreams streams;
      streams.input = row.input;
      Warnings heard;
      mirtabel_options options{};
      options.size = sizeof options;
      options.marker = marker;
      options.warning = Warnings::hear;
      options.warning_context = &heard;
      mirtabel_report report{};
      report.size = sizeof report;
      ASSERT_EQ(mirtabel_convert_stream(MemoryStreams::read, MemoryStreams::write, &streams,
                                        &options, &report),
                MIRTABEL_OK);
      EXPECT_EQ(heard.kinds,
                marker ? std::vector<std::int32_t>{} : std::vector<std::int32_t>{row.kind});
      EXPECT_EQ(report.warnings, marker ? 0 : 1);
      EXPECT_STREQ(report.marker, marker ? "* Export *" : row.marker_used);
      if (marker) {
        EXPECT_EQ(report.records, row.records_with_auto);
        EXPECT_EQ(streams.output.substr(0, 4), "Soup");
      }
    }
  }
}

// The records of a FIFO keep their side file too, read from the copy of the input once the
// conversion has passed each recipe; the byte-order mark, read from that copy, opens it once.
TEST(ConversionApi, AFifoKeepsTheRecipesLeftOutWithOneMark) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RecipeFile recipes;
  recipes.add("Soup", {"one line"});
  recipes.add("Too long", std::vector<std::string>(100, std::string(99, 'y')));
  recipes.add("Too long again", std::vector<std::string>(100, std::string(99, 'z')));
  const std::string text = "\xEF\xBB\xBF" + recipes.text;
  const std::string fifo = dir / "in.fifo", out = dir / "out.txt", side = dir / "side.mxp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Heard heard;
  mirtabel_options options{};
  options.size = sizeof options;
  options.left_out_path = side.c_str();
  options.left_out = Heard::hear;
  options.left_out_context = &heard;
  mirtabel_report report{};
  report.size = sizeof report;
  std::thread writer([&] { write_file(fifo, text); });
  EXPECT_EQ(mirtabel_convert(fifo.c_str(), out.c_str(), &options, &report), MIRTABEL_OK);
  writer.join();
  EXPECT_EQ(report.left_out, 2);
  ASSERT_EQ(heard.places.size(), 2u);
  const auto part = [&](std::uint64_t begin, std::uint64_t end) {
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
  };
  EXPECT_TRUE(read_file(side) == part(0, heard.first_line_end) +
                                     part(heard.places[0].first, heard.places[0].second) +
                                     part(3, heard.first_line_end) +
                                     part(heard.places[1].first, heard.places[1].second));
}

// The stream form: a failure of either function stops the conversion with its errno, and a read
// that claims more than it was given room for is an input error, not an overrun. A cookbook that
// cannot have its scratch copy fails before the first read, naming that file, not the input.
TEST(ConversionApi, StreamFunctionFailuresAreInputAndOutputErrors) {
  struct Case {
    const char* what;
    std::ptrdiff_t read_result;  // what each read returns; 0: a recipe, then the end
    int write_result;
    int format;
    const char* scratch_directory;  // TMPDIR, or null: as it is
    int code, error;
    bool reads;  // whether the input is read at all
  };
  const Case cases[] = {
      {"a read fails", -EIO, 0, MIRTABEL_FORMAT_RECORDS, nullptr, MIRTABEL_ERROR_INPUT, EIO, true},
      {"a read claims too much", 1 << 30, 0, MIRTABEL_FORMAT_RECORDS, nullptr, MIRTABEL_ERROR_INPUT,
       EIO, true},
      {"a write fails", 0, ENOSPC, MIRTABEL_FORMAT_RECORDS, nullptr, MIRTABEL_ERROR_OUTPUT, ENOSPC,
       true},
      {"a write returns -1", 0, -1, MIRTABEL_FORMAT_RECORDS, nullptr, MIRTABEL_ERROR_OUTPUT, EIO,
       true},
      {"no scratch file for the cookbook", 0, 0, MIRTABEL_FORMAT_HTML, "/nonexistent-mirtabel",
       MIRTABEL_ERROR_SCRATCH_FILE, ENOENT, false},
  };
  const char* tmpdir = getenv("TMPDIR");
  const std::string kept_tmpdir = tmpdir != nullptr ? tmpdir : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    struct State {
      const Case* c;
      std::size_t position = 0;
      int reads = 0;
    } state{&c};
    // The recipe in as many reads as the read buffer's size asks for.
    const auto read = [](void* context, unsigned char* buffer, size_t capacity) -> std::ptrdiff_t {
      auto* s = static_cast<State*>(context);
      ++s->reads;
      if (s->c->read_result != 0) return s->c->read_result;
      static const std::string_view kText = "* X *\n\n   Title\n--------\nbody\n";
      const std::size_t size = std::min(capacity, kText.size() - s->position);
      std::memcpy(buffer, kText.data() + s->position, size);
      s->position += size;
      return static_cast<std::ptrdiff_t>(size);
    };
    const auto write = [](void* context, const unsigned char*, size_t) {
      return static_cast<State*>(context)->c->write_result;
    };
    if (c.scratch_directory != nullptr) setenv("TMPDIR", c.scratch_directory, 1);
    mirtabel_options options{};
    options.size = sizeof options;
    options.format = c.format;
    mirtabel_report report{};
    report.size = sizeof report;
    EXPECT_EQ(mirtabel_convert_stream(read, write, &state, &options, &report), c.code);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(state.reads > 0, c.reads);
    if (tmpdir != nullptr) {
      setenv("TMPDIR", kept_tmpdir.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
}

// Without an encoding named, the code page is chosen from the input and reported with why; an
// input that looks binary is refused, whether its signature or its NUL bytes tell, however it
// arrives, unless forced. A report from the 1.2 header is filled up to its end only.
TEST(ConversionApi, TheChosenCodePageIsReportedAndABinaryInputRefused) {
  const std::string dos =
      "* X *\n\n   Roast\n--------\nBake at 350\xF8"
      "F.\n";
  std::string nul = dos;
  while (nul.size() < 20000)
    nul += dos;  // past the first read
  nul += '\0';
  std::string utf16;  // without a byte-order mark: text, though it holds NUL bytes
  for (const char c : dos.substr(0, 20))
    utf16 += std::string{c, '\0'};
  const struct {
    const char* what;
    std::string input;
    std::size_t piece;  // bytes per read at most
    const char* encoding;
    bool force;
    int code;
    const char* not_text;
    const char* read_as;
    const char* why;  // the reason's start
  } cases[] = {
      {"cp437 chosen", dos, 4096, nullptr, false, MIRTABEL_OK, nullptr, "utf-8+cp437",
       "cp437: 0xF8 by a number 1 time"},
      {"named", dos, 4096, "utf-8", false, MIRTABEL_OK, nullptr, "utf-8", "utf-8, as named"},
      {"a PDF", "%PDF-1.4\n" + dos, 4096, nullptr, false, MIRTABEL_ERROR_NOT_TEXT, "a PDF document",
       nullptr, nullptr},
      {"a PNG byte by byte", "\x89PNG\r\n\x1A\n" + dos, 1, nullptr, false, MIRTABEL_ERROR_NOT_TEXT,
       "a PNG image", nullptr, nullptr},
      {"a NUL byte after 20,000", nul, 4096, nullptr, false, MIRTABEL_ERROR_NOT_TEXT,
       "a binary file with NUL bytes", nullptr, nullptr},
      {"forced", nul, 4096, nullptr, true, MIRTABEL_OK, nullptr, "utf-8+cp437", "cp437: "},
      {"UTF-16 without its mark", utf16, 4096, nullptr, false, MIRTABEL_OK, nullptr, "utf-8",
       "utf-8: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    struct State {
      const std::string* input;
      std::size_t piece;
      std::size_t position = 0;
    } state{&c.input, c.piece};
    const auto read = [](void* context, unsigned char* buffer, size_t capacity) -> std::ptrdiff_t {
      auto* s = static_cast<State*>(context);
      const std::size_t size = std::min({capacity, s->piece, s->input->size() - s->position});
      std::memcpy(buffer, s->input->data() + s->position, size);
      s->position += size;
      return static_cast<std::ptrdiff_t>(size);
    };
    mirtabel_options options{};
    options.size = sizeof options;
    options.encoding = c.encoding;
    options.force = c.force;
    mirtabel_report report{};
    report.size = sizeof report;
    const auto discard = [](void*, const unsigned char*, size_t) { return 0; };
    EXPECT_EQ(mirtabel_convert_stream(read, discard, &state, &options, &report), c.code);
    EXPECT_STREQ(report.not_text, c.not_text);
    if (c.code == MIRTABEL_OK) {
      EXPECT_STREQ(report.encoding, c.read_as);
      EXPECT_EQ(std::string_view(report.encoding_reason).substr(0, std::strlen(c.why)), c.why);
    } else {
      EXPECT_EQ(report.error, EILSEQ);
    }
  }

  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string pdf = dir / "doc.pdf", output = dir / "out.txt";
  ASSERT_TRUE(write_file(pdf, "%PDF-1.4\n" + dos));
  struct OldReport {
    unsigned char known[offsetof(mirtabel_report, encoding)];
    unsigned char after[sizeof(mirtabel_report)];
  } old;
  std::memset(&old, 0xA5, sizeof old);
  auto& report = *reinterpret_cast<mirtabel_report*>(&old);
  report.size = sizeof old.known;
  EXPECT_EQ(mirtabel_convert(pdf.c_str(), output.c_str(), nullptr, &report),
            MIRTABEL_ERROR_NOT_TEXT);
  EXPECT_EQ(names_in(dir / "."), std::vector<std::string>{"doc.pdf"});
  EXPECT_EQ(std::count(old.after, old.after + sizeof old.after, 0xA5), sizeof old.after);
}

// What a conversion's failure becomes at the API: the code that names the part that failed, with
// errno, for failures that no test input reaches (2^31 records, a heap that is full); a read's
// failure beside them.
TEST(ConversionApi, AFailureGetsTheCodeOfThePartThatFailed) {
  const struct {
    const char* what;
    FailedPart part;
    int error;
    int code;
  } cases[] = {
      {"a read failed", FailedPart::kInput, EIO, MIRTABEL_ERROR_INPUT},
      {"more records than an int32_t counts", FailedPart::kInput, EOVERFLOW,
       MIRTABEL_ERROR_TOO_MANY},
      {"no memory for the stores", FailedPart::kConversion, ENOMEM, MIRTABEL_ERROR_NO_MEMORY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileOutcome outcome;
    outcome.failed = c.part;
    outcome.error = c.error;
    mirtabel_report report{};
    report.size = sizeof report;
    EXPECT_EQ(hand_back(outcome, FileConversion(), ApiSettings(), &report), c.code);
    EXPECT_EQ(report.error, c.error);
    EXPECT_STRNE(mirtabel_error_name(c.code), "unknown");
  }
}

// The file conversion's hooks, one by one: the progress counters (the cookbook's second reading
// apart), the temporary file's note, no-clobber, the observer of recipes written cut, and the
// warnings.
TEST(FileConversionHooks, EachDoesWhatItSays) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RecipeFile recipes = generated_recipes(500);
  recipes.add("Too large to keep", std::vector<std::string>(12000, std::string(99, 'y')));
  const std::string input = dir / "in.mxp", output = dir / "out.html";
  ASSERT_TRUE(write_file(input, recipes.text));
  struct CutHeard final : ConversionObserver {
    int cut = 0;
    void recipe_left_out(const LeftOutRecipe& recipe) noexcept override {
      cut += recipe.reason == LeftOutReason::kCut;
    }
  };
  for (const bool hooked : {false, true}) {
    SCOPED_TRACE(hooked ? "hooked" : "not hooked");
    std::atomic<std::uint64_t> read{0}, read_again{0};
    TemporaryFileNote notes[2];
    CutHeard heard;
    FileConversionJob job;
    job.input_path = input.c_str();
    job.output_path = output.c_str();
    job.format = OutputFormat::kHtml;
    job.hooks = {&read, &read_again, notes, false, &heard, hooked, hooked};
    FileConversion conversion;
    const FileOutcome outcome = conversion.run(job);
    ASSERT_EQ(outcome.failed, FailedPart::kNone) << outcome.error;
    EXPECT_EQ(read, recipes.text.size());
    EXPECT_EQ(read_again, recipes.text.size());
    EXPECT_EQ(std::string(notes[0].name).rfind(".out.html.", 0), 0u) << notes[0].name;
    EXPECT_FALSE(notes[0].active);
    EXPECT_EQ(outcome.cut, 1);
    EXPECT_EQ(heard.cut, hooked ? 1 : 0);
    EXPECT_EQ(conversion.warnings() != nullptr, hooked);
  }
  FileConversionJob refused;
  refused.input_path = input.c_str();
  refused.output_path = output.c_str();
  refused.hooks.no_clobber = true;
  const std::string before = read_file(output);
  const FileOutcome outcome = FileConversion().run(refused);
  EXPECT_EQ(outcome.failed, FailedPart::kOutput);
  EXPECT_EQ(outcome.error, EEXIST);
  EXPECT_EQ(read_file(output), before);
}

// The format names the tool, the page and the Python module take: each leads back to its code,
// the codes run from 0 without a gap, and what is not a name is refused.
TEST(ConversionApi, FormatNamesAndCodesLeadToEachOther) {
  const int32_t codes[] = {MIRTABEL_FORMAT_RECORDS, MIRTABEL_FORMAT_JSON_LINES,
                           MIRTABEL_FORMAT_HTML};
  for (const int32_t code : codes) {
    ASSERT_NE(mirtabel_format_name(code), nullptr) << code;
    EXPECT_EQ(mirtabel_format_from_name(mirtabel_format_name(code)), code);
  }
  EXPECT_STREQ(mirtabel_format_name(MIRTABEL_FORMAT_JSON_LINES), "json");
  EXPECT_EQ(mirtabel_format_name(3), nullptr);
  EXPECT_EQ(mirtabel_format_name(-1), nullptr);
  EXPECT_EQ(mirtabel_format_from_name("JSON"), -1);
  EXPECT_EQ(mirtabel_format_from_name(""), -1);
  EXPECT_EQ(mirtabel_format_from_name(nullptr), -1);
}

}  // namespace
}  // namespace mirtabel::testing
