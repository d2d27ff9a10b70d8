// Faults of the file system that end a conversion before it starts, or that it must live with:
// permissions that refuse the input or the output, an output whose owner cannot be kept, and a
// FIFO as the input. Each ends in a clear result: -1 with the reason and nothing created or
// changed, or every record of what arrived.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "exports/mirtabel.h"
#include "tests/hardening/hardening_support.h"
#include "tests/support/memory_streams.h"

namespace mirtabel::hardening {
namespace {

bool exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// What a conversion in a child process without the power to bypass file permissions gave.
struct Unprivileged {
  enum Status : std::int32_t { kRan, kCannotDropRoot, kNotEnforced, kNoAnswer } status;
  std::int32_t result;
  std::int32_t error;
};

// Runs ConvertMXP(input, output) in a child process. Root passes every permission check, so as
// root the child first becomes the unprivileged user "nobody" (65534), a member of `groups`
// besides its own. Before converting, the child opens `probe` with `probe_flags`, which the
// permissions must refuse: if they do not, the conversion would test nothing and the status says
// so.
Unprivileged convert_unprivileged(const std::string& input, const std::string& output,
                                  const std::string& probe, int probe_flags,
                                  const std::vector<gid_t>& groups = {}) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {Unprivileged::kNoAnswer, 0, errno};
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    Unprivileged outcome{Unprivileged::kRan, 0, 0};
    if (geteuid() == 0 && (setgroups(groups.size(), groups.data()) != 0 || setgid(65534) != 0 ||
                           setuid(65534) != 0)) {
      outcome.status = Unprivileged::kCannotDropRoot;
    } else if (const int fd = open(probe.c_str(), probe_flags, 0600); fd >= 0) {
      close(fd);
      outcome.status = Unprivileged::kNotEnforced;
    } else {
      outcome.result = ConvertMXP(wide(input).c_str(), wide(output).c_str());
      outcome.error = errno;
    }
    const bool sent = write(pipe_ends[1], &outcome, sizeof outcome) == sizeof outcome;
    _exit(sent ? 0 : 1);
  }
  close(pipe_ends[1]);
  Unprivileged outcome{Unprivileged::kNoAnswer, 0, 0};
  if (child < 0 || read(pipe_ends[0], &outcome, sizeof outcome) != sizeof outcome) {
    outcome = {Unprivileged::kNoAnswer, 0, 0};
  }
  close(pipe_ends[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return outcome;
}

// Permissions that refuse the input or the output: -1 with EACCES, no output created, nothing
// that existed changed.
TEST(Faults, RefusedPermissionsFailWithoutCreatingOrChangingFiles) {
  struct Case {
    const char* what;
    mode_t input_mode;
    bool output_exists;
    mode_t output_mode;
    mode_t directory_mode;
    const char* probe;  // the file whose refusal the case is about
    int probe_flags;
  };
  const Case cases[] = {
      {"unreadable input", 0200, false, 0, 0777, "in.mxp", O_RDONLY},
      {"read-only output file", 0644, true, 0444, 0777, "out.txt", O_WRONLY},
      {"output in a read-only directory", 0644, false, 0, 0555, "new.txt", O_WRONLY | O_CREAT},
  };
  Sample sample;
  sample.add_recipe("Bread", {"Knead.", "Bake."});
  const std::string kept = "an earlier output, to be kept\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string input = dir.file("in.mxp");
    const std::string output = dir.file(c.output_exists ? "out.txt" : "new.txt");
    write_file(input, sample.input);
    ASSERT_EQ(chmod(input.c_str(), c.input_mode), 0);
    if (c.output_exists) {
      write_file(output, kept);
      ASSERT_EQ(chmod(output.c_str(), c.output_mode), 0);
    }
    ASSERT_EQ(chmod(dir.path().c_str(), c.directory_mode), 0);

    const Unprivileged outcome =
        convert_unprivileged(input, output, dir.file(c.probe), c.probe_flags);
    ASSERT_EQ(chmod(dir.path().c_str(), 0700), 0);
    ASSERT_EQ(chmod(input.c_str(), 0600), 0);
    if (outcome.status == Unprivileged::kCannotDropRoot) {
      GTEST_SKIP() << "running as root and cannot become an unprivileged user to meet the "
                      "permission checks";
    }
    if (outcome.status == Unprivileged::kNotEnforced) {
      GTEST_SKIP() << "file permissions are not enforced for this user";
    }
    ASSERT_EQ(outcome.status, Unprivileged::kRan);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.error, EACCES) << std::strerror(outcome.error);
    EXPECT_EQ(read_file(input), sample.input) << "the input changed";
    if (c.output_exists) {
      EXPECT_EQ(read_file(output), kept) << "the refused output changed";
    } else {
      EXPECT_FALSE(exists(output)) << "an output was created";
    }
  }
}

// An output replaced by another user than its owner: the owner cannot be kept, but the group
// can where that user belongs to it; a group that cannot be kept gets no more access than any
// other user has.
TEST(Faults, AReplacedOutputKeepsItsGroupWhereItsOwnerCannotBeKept) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give the output to another owner";
  constexpr gid_t kGroup = 4242;
  struct Case {
    const char* what;
    std::vector<gid_t> groups;
    mode_t mode;
    gid_t group_after;
    mode_t mode_after;
  };
  const Case cases[] = {
      {"a member of the output's group", {kGroup}, 0660, kGroup, 0660},
      {"a stranger to it, writing as any user may", {}, 0662, 65534, 0622},
  };
  Sample sample;
  sample.add_recipe("Bread", {"Knead.", "Bake."});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string input = dir.file("in.mxp");
    const std::string output = dir.file("out.txt");
    const std::string probe = dir.file("private");
    write_file(input, sample.input);
    write_file(output, "an earlier output\n");
    write_file(probe, "");
    ASSERT_EQ(chmod(input.c_str(), 0644), 0);
    ASSERT_EQ(chown(output.c_str(), 0, kGroup), 0);
    ASSERT_EQ(chmod(output.c_str(), c.mode), 0);
    ASSERT_EQ(chmod(probe.c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const Unprivileged outcome = convert_unprivileged(input, output, probe, O_RDONLY, c.groups);
    ASSERT_EQ(chmod(dir.path().c_str(), 0700), 0);
    if (outcome.status == Unprivileged::kCannotDropRoot) {
      GTEST_SKIP() << "cannot become an unprivileged user";
    }
    ASSERT_EQ(outcome.status, Unprivileged::kRan);
    EXPECT_EQ(outcome.result, 1) << std::strerror(outcome.error);
    EXPECT_EQ(read_file(output), sample.expected);
    struct stat status;
    ASSERT_EQ(stat(output.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, c.group_after);
    EXPECT_EQ(status.st_mode & 07777, c.mode_after);
  }
}

// A FIFO as the input: the writer delivers its bytes in pieces with pauses between them, so
// that reads come back short, then closes. Everything that arrived is converted.
TEST(Faults, ConvertsWhatAFifoDeliversBeforeItCloses) {
  Sample whole;
  whole.add_recipe("Soup", {"Boil the water.", "Add \u00E9pices."}, "\r\n");
  whole.add_recipe("Tea \U0001F375", {"Steep."}, "\r\n");
  Sample cut;  // a recipe cut off in its body: the last line, without its line end, is kept
  cut.add_recipe("Stew", {"Brown the meat", "Simmer for"});
  cut.input.pop_back();
  struct Case {
    const char* what;
    std::string bytes;
    std::string expected;
    std::int32_t records;
    std::size_t piece;
  };
  const Case cases[] = {
      {"nothing at all", "", "", 0, 1},
      {"two recipes, a few bytes at a time", whole.input, whole.expected, 2, 3},
      {"two recipes, one byte at a time", whole.input, whole.expected, 2, 1},
      {"a recipe cut off mid-line", cut.input, cut.expected, 1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string fifo = dir.file("in.fifo");
    const std::string output = dir.file("out.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
      const int fd = open(fifo.c_str(), O_WRONLY);
      if (fd < 0) return;
      for (std::size_t at = 0; at < c.bytes.size(); at += c.piece) {
        const std::size_t n = std::min(c.piece, c.bytes.size() - at);
        if (write(fd, c.bytes.data() + at, n) != static_cast<ssize_t>(n)) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      close(fd);
    });
    errno = 0;
    const std::int32_t result = ConvertMXP(wide(fifo).c_str(), wide(output).c_str());
    const int error = errno;
    if (result < 0) close(open(fifo.c_str(), O_RDONLY | O_NONBLOCK));  // lets the writer finish
    writer.join();
    EXPECT_EQ(result, c.records) << std::strerror(error);
    EXPECT_EQ(read_file(output), c.expected);
  }
}

}  // namespace
}  // namespace mirtabel::hardening
