// ConvertMXP on real files: every way it can fail reports -1 with errno and leaves the files
// as they were; an existing output is replaced only by a complete one, keeping its permissions,
// and through a symbolic link its target is; any name the file system holds can be given; and a
// conversion fits in a small thread stack.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "exports/mirtabel.h"
#include "tests/boundary/test_files.h"

namespace mirtabel::testing {
namespace {

bool exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// The names in a directory.
std::set<std::string> names_in(const std::string& directory) {
  std::set<std::string> names;
  if (DIR* d = opendir(directory.c_str())) {
    while (const dirent* entry = readdir(d)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.insert(entry->d_name);
      }
    }
    closedir(d);
  }
  return names;
}

class ConvertFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    recipes_.add("Pancakes", {"2 eggs", "1 cup milk", "", "Fry thinly."});
    recipes_.add("Lemonade", {"Squeeze, stir, chill."});
    ASSERT_TRUE(write_file(in(), recipes_.text));
    ASSERT_EQ(mkdir((dir_ / "folder").c_str(), 0755), 0);
  }

  std::string in() const { return dir_ / "in.mxp"; }
  std::string out() const { return dir_ / "out.txt"; }

  // Runs a conversion that must fail with `error`; the input must come through intact.
  void expect_failure(const wchar_t* input, const wchar_t* output, int error) {
    errno = 0;
    EXPECT_EQ(ConvertMXP(input, output), -1);
    EXPECT_EQ(errno, error) << std::strerror(errno);
    EXPECT_EQ(read_file(in()), recipes_.text) << "the input changed";
  }

  TempDir dir_;
  RecipeFile recipes_;
};

TEST_F(ConvertFiles, RefusesWithoutCreatingTheOutput) {
  struct Refusal {
    const char* what;
    std::wstring input;
    std::wstring output;
    int error;
  };
  const std::wstring out_path = wide(out());
  const Refusal refusals[] = {
      {"missing input", wide(dir_ / "missing.mxp"), out_path, ENOENT},
      {"input is a directory", wide(dir_ / "folder"), out_path, EISDIR},
      {"input in a missing directory", wide(dir_ / "none/in.mxp"), out_path, ENOENT},
      {"input name with a lone surrogate", wide(dir_ / "x") + wchar_t(0xD800), out_path, EILSEQ},
      {"input name too long", wide(dir_ / std::string(5000, 'a')), out_path, ENAMETOOLONG},
      {"output in a missing directory", wide(in()), wide(dir_ / "none/out.txt"), ENOENT},
      {"output name with a lone surrogate", wide(in()), wide(dir_ / "x") + wchar_t(0xDBFF), EILSEQ},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    expect_failure(refusal.input.c_str(), refusal.output.c_str(), refusal.error);
    EXPECT_FALSE(exists(out()));
  }
  expect_failure(nullptr, out_path.c_str(), EINVAL);
  EXPECT_FALSE(exists(out()));
  expect_failure(wide(in()).c_str(), nullptr, EINVAL);
  expect_failure(nullptr, nullptr, EINVAL);
}

TEST_F(ConvertFiles, FailsWhenTheOutputIsADirectory) {
  expect_failure(wide(in()).c_str(), wide(dir_ / "folder").c_str(), EISDIR);
}

TEST_F(ConvertFiles, ReportsAFullDisk) {
  if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  expect_failure(wide(in()).c_str(), L"/dev/full", ENOSPC);
}

TEST_F(ConvertFiles, ReportsAFailedRead) {
  // Reading this process's memory from address 0 fails with EIO.
  if (!exists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
  errno = 0;
  EXPECT_EQ(ConvertMXP(L"/proc/self/mem", wide(out()).c_str()), -1);
  EXPECT_EQ(errno, EIO);
}

TEST_F(ConvertFiles, NeverWritesOverItsInput) {
  ASSERT_EQ(link(in().c_str(), (dir_ / "hard.mxp").c_str()), 0);
  ASSERT_EQ(symlink(in().c_str(), (dir_ / "soft.mxp").c_str()), 0);
  ASSERT_EQ(symlink("soft.mxp", (dir_ / "soft2.mxp").c_str()), 0);
  for (const std::string& output : {in(), dir_ / "folder/../in.mxp", dir_ / "hard.mxp",
                                    dir_ / "soft.mxp", dir_ / "soft2.mxp"}) {
    SCOPED_TRACE(output);
    expect_failure(wide(in()).c_str(), wide(output).c_str(), EINVAL);
  }
  // Reached through a link, the input is refused as the output all the same.
  expect_failure(wide(dir_ / "soft.mxp").c_str(), wide(dir_ / "hard.mxp").c_str(), EINVAL);
}

TEST_F(ConvertFiles, ReplacesAnExistingOutput) {
  ASSERT_TRUE(write_file(out(), std::string(100000, '#')));
  EXPECT_EQ(ConvertMXP(wide(in()).c_str(), wide(out()).c_str()), recipes_.count);
  EXPECT_EQ(read_file(out()), recipes_.records);

  // An input without recipes leaves the output empty, not as it was.
  ASSERT_TRUE(write_file(dir_ / "empty.mxp", ""));
  EXPECT_EQ(ConvertMXP(wide(dir_ / "empty.mxp").c_str(), wide(out()).c_str()), 0);
  EXPECT_EQ(read_file(out()), "");
}

// A write refused half-way (here by a limit on the file size, which a full disk would do as well)
// leaves the previous output as it was, and no temporary file beside it.
TEST_F(ConvertFiles, AFailedWriteKeepsThePreviousOutput) {
  const RecipeFile big = generated_recipes(300000);
  ASSERT_TRUE(write_file(in(), big.text));
  ASSERT_TRUE(write_file(out(), "the previous output\n"));
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{100000, 100000};
    signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of ending the process
    setrlimit(RLIMIT_FSIZE, &limit);
    const int32_t records = ConvertMXP(wide(in()).c_str(), wide(out()).c_str());
    _exit(records == -1 ? errno : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EFBIG);
  EXPECT_EQ(read_file(out()), "the previous output\n");
  EXPECT_EQ(names_in(dir_ / ""), (std::set<std::string>{"in.mxp", "out.txt", "folder"}));
}

TEST_F(ConvertFiles, ReplacesALinksTargetAndKeepsItsPermissions) {
  ASSERT_TRUE(write_file(dir_ / "folder/target.txt", "old"));
  ASSERT_EQ(chmod((dir_ / "folder/target.txt").c_str(), 0640), 0);
  ASSERT_EQ(symlink("folder/target.txt", out().c_str()), 0);
  EXPECT_EQ(ConvertMXP(wide(in()).c_str(), wide(out()).c_str()), recipes_.count);
  struct stat link_status, target_status;
  ASSERT_EQ(lstat(out().c_str(), &link_status), 0);
  EXPECT_TRUE(S_ISLNK(link_status.st_mode));
  EXPECT_EQ(read_file(dir_ / "folder/target.txt"), recipes_.records);
  ASSERT_EQ(stat((dir_ / "folder/target.txt").c_str(), &target_status), 0);
  EXPECT_EQ(target_status.st_mode & 07777, 0640u);
  EXPECT_EQ(names_in(dir_ / "folder"), std::set<std::string>{"target.txt"});
}

// Names reach the file system as UTF-8, and U+DC80..U+DCFF as the raw bytes of a name that is
// not UTF-8.
TEST_F(ConvertFiles, OpensNonAsciiAndRawByteNames) {
  struct Name {
    std::wstring wide;
    std::string bytes;
  };
  const Name names[] = {
      {L"cr\u00E8me \u20AC \U0001F600.mxp", "cr\xC3\xA8me \xE2\x82\xAC \xF0\x9F\x98\x80.mxp"},
      {std::wstring(L"raw") + wchar_t(0xDCE9) + wchar_t(0xDCFF) + L".mxp", "raw\xE9\xFF.mxp"},
      {std::wstring(L"r\u00E9") + wchar_t(0xDCC3) + L".txt", "r\xC3\xA9\xC3.txt"},
  };
  for (const Name& input : names) {
    for (const Name& output : names) {
      if (&input == &output) continue;
      SCOPED_TRACE(input.bytes + " to " + output.bytes);
      ASSERT_TRUE(write_file(dir_ / input.bytes, recipes_.text));
      std::remove((dir_ / output.bytes).c_str());
      const std::wstring dir = wide(dir_ / "");
      EXPECT_EQ(ConvertMXP((dir + input.wide).c_str(), (dir + output.wide).c_str()),
                recipes_.count);
      EXPECT_EQ(read_file(dir_ / output.bytes), recipes_.records);
    }
  }
}

struct ThreadConversion {
  std::wstring input;
  std::wstring output;
  int records;
  int error;
};

void* convert_on_thread(void* argument) {
  auto* job = static_cast<ThreadConversion*>(argument);
  job->records = ConvertMXP(job->input.c_str(), job->output.c_str());
  job->error = errno;
  return nullptr;
}

TEST_F(ConvertFiles, ConvertsOnAThreadWithA256KiBStack) {
  // Long lines and long bodies fill every buffer of the conversion.
  RecipeFile big = generated_recipes(200000);
  big.add(std::string(100, 'T'), {std::string(4998, 'a'), std::string(4000, 'b')});
  ASSERT_TRUE(write_file(in(), big.text));
  ThreadConversion job{wide(in()), wide(out()), -2, 0};
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, convert_on_thread, &job), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(job.records, big.count) << std::strerror(job.error);
  EXPECT_EQ(read_file(out()), big.records);
}

}  // namespace
}  // namespace mirtabel::testing
