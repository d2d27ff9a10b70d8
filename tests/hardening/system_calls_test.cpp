// The system calls under the file layer, made to behave as a real system sometimes does: reads
// and writes interrupted or cut short, a write that takes nothing, a close or a rename that
// fails. Every case either converts exactly or fails with the reason, and never leaves a partial
// file under the output's name, a previous output changed, or a temporary file behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

#include "file_conversion/file_conversion.h"
#include "platform/system_calls.h"
#include "tests/hardening/hardening_support.h"

namespace mirtabel::hardening {
namespace {

// What the calls do wrong; each counter counts the calls still to be spoilt.
struct Faults {
  int interrupted_reads = 0;
  int interrupted_writes = 0;
  std::size_t longest_read = static_cast<std::size_t>(-1);
  std::size_t longest_write = static_cast<std::size_t>(-1);
  int empty_writes = 0;                                          // writes that take no byte
  std::size_t fail_writes_after = static_cast<std::size_t>(-1);  // bytes
  bool fail_close = false;
  bool fail_rename = false;
  std::size_t written = 0;
};
Faults faults;

std::size_t cut(std::size_t size, std::size_t longest) {
  return size < longest ? size : longest;
}

#ifdef _WIN32
int faulty_read_file(void* file, void* buffer, unsigned long size, unsigned long* done) {
  return native_system_calls().read_file(
      file, buffer, static_cast<unsigned long>(cut(size, faults.longest_read)), done);
}

int faulty_write_file(void* file, const void* bytes, unsigned long size, unsigned long* done) {
  if (faults.empty_writes > 0) {
    --faults.empty_writes;
    *done = 0;
    return 1;
  }
  if (faults.written + size > faults.fail_writes_after) {
    SetLastError(ERROR_DISK_FULL);
    return 0;
  }
  const int ok = native_system_calls().write_file(
      file, bytes, static_cast<unsigned long>(cut(size, faults.longest_write)), done);
  faults.written += *done;
  return ok;
}

int faulty_close_handle(void* file) {
  const int ok = native_system_calls().close_handle(file);
  if (!faults.fail_close) return ok;
  SetLastError(ERROR_NETNAME_DELETED);  // as a network share lost at the last moment
  return 0;
}

int faulty_move_file(const wchar_t* from, const wchar_t* to, unsigned long flags) {
  if (!faults.fail_rename) return native_system_calls().move_file(from, to, flags);
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

const SystemCalls kFaulty = {faulty_read_file, faulty_write_file, faulty_close_handle,
                             faulty_move_file};
constexpr int kCloseError = EIO;
constexpr int kRenameError = EACCES;
#else
ssize_t faulty_read(int fd, void* buffer, std::size_t size) {
  if (faults.interrupted_reads > 0) {
    --faults.interrupted_reads;
    errno = EINTR;
    return -1;
  }
  return native_system_calls().read(fd, buffer, cut(size, faults.longest_read));
}

ssize_t faulty_write(int fd, const void* bytes, std::size_t size) {
  if (faults.interrupted_writes > 0) {
    --faults.interrupted_writes;
    errno = EINTR;
    return -1;
  }
  if (faults.empty_writes > 0) {
    --faults.empty_writes;
    return 0;
  }
  if (faults.written + size > faults.fail_writes_after) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t count = native_system_calls().write(fd, bytes, cut(size, faults.longest_write));
  if (count > 0) faults.written += static_cast<std::size_t>(count);
  return count;
}

int faulty_close(int fd) {
  const int result = native_system_calls().close(fd);
  if (!faults.fail_close) return result;
  errno = EIO;  // as NFS reports a write that failed on the server
  return -1;
}

int faulty_renameat(int from_dir, const char* from, int to_dir, const char* to) {
  if (!faults.fail_rename) return native_system_calls().renameat(from_dir, from, to_dir, to);
  errno = EXDEV;
  return -1;
}

const SystemCalls kFaulty = {faulty_read, faulty_write, faulty_close, faulty_renameat};
constexpr int kCloseError = EIO;
constexpr int kRenameError = EXDEV;
#endif

class SystemCallFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    faults = Faults();
    replace_system_calls(&kFaulty);
    sample_.fill_to(300000, "\r\n");  // several reads and writes of the 32 KiB buffers
    write_file(dir_.file("in.mxp"), sample_.input);
  }
  void TearDown() override { replace_system_calls(nullptr); }

  FileOutcome convert() {
    const std::string in = dir_.file("in.mxp"), out = dir_.file("out.txt");
    FileConversionJob job;
    job.input_path = in.c_str();
    job.output_path = out.c_str();
    return FileConversion().run(job);
  }

  // The names in the directory: no temporary file may remain.
  std::set<std::string> names() const {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      found.insert(entry.path().filename().string());
    return found;
  }

  TempDir dir_;
  Sample sample_;
};

TEST_F(SystemCallFaults, InterruptedAndShortCallsStillConvertExactly) {
  faults.interrupted_reads = 3;
  faults.interrupted_writes = 3;
  faults.longest_read = 1000;
  faults.longest_write = 777;
  const FileOutcome result = convert();
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(result.conversion.records, sample_.records);
  EXPECT_EQ(read_file(dir_.file("out.txt")), sample_.expected);
  EXPECT_EQ(names(), (std::set<std::string>{"in.mxp", "out.txt"}));
}

TEST_F(SystemCallFaults, AFailureLeavesThePreviousOutputOrNone) {
  struct Case {
    const char* what;
    void (*spoil)(Faults&);
    int error;
  };
  const Case cases[] = {
      {"a write that takes nothing", [](Faults& f) { f.empty_writes = 1000; }, ENOSPC},
      {"a full disk half-way", [](Faults& f) { f.fail_writes_after = 100000; }, ENOSPC},
      {"a failed close", [](Faults& f) { f.fail_close = true; }, kCloseError},
      {"a failed rename", [](Faults& f) { f.fail_rename = true; }, kRenameError},
  };
  for (const Case& c : cases) {
    for (const bool previous : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (previous ? ", over a previous output" : ""));
      std::filesystem::remove(dir_.file("out.txt"));
      if (previous) write_file(dir_.file("out.txt"), "the previous output\n");
      faults = Faults();
      c.spoil(faults);
      const FileOutcome result = convert();
      faults = Faults();
      EXPECT_EQ(result.error, c.error);
      EXPECT_EQ(result.failed, FailedPart::kOutput);
      if (previous) {
        EXPECT_EQ(read_file(dir_.file("out.txt")), "the previous output\n");
        EXPECT_EQ(names(), (std::set<std::string>{"in.mxp", "out.txt"}));
      } else {
        EXPECT_EQ(names(), (std::set<std::string>{"in.mxp"}));
      }
    }
  }
}

}  // namespace
}  // namespace mirtabel::hardening
