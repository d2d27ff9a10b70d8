// mxp_bench: times ConvertMXP on each input file against a plain copy of the same file, the
// floor that any conversion which reads and writes the bytes must pay.
//
// For each input it prints the best of several conversions (input MB/s, recipes per second and
// the spread between the best and the worst run), the best plain copy, the ratio of the two, the
// peak resident memory of mxpconvert converting the same file, and a hash of the output, so
// that a change which alters a single output byte shows at once.
//
// The copy reads and writes with the conversion's own buffer size (MIRTABEL_IO_BUFFER_SIZE), by
// read() and write(), as the conversion does; `cat` would copy inside the kernel and be no floor.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <mirtabel.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/argument_path.h"
#include "platform/io_buffer_size.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "mxp_bench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// Elapsed time and the processor time this process spent meanwhile (user and system). On a
// busy machine the wall time also counts waiting for a processor; the processor time does not.
struct Elapsed {
  double wall, cpu;
};

double cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class Stopwatch {
 public:
  Elapsed elapsed() const {
    return {std::chrono::duration<double>(Clock::now() - wall_start_).count(),
            cpu_seconds() - cpu_start_};
  }

 private:
  Clock::time_point wall_start_ = Clock::now();
  double cpu_start_ = cpu_seconds();
};

// The plain copy: read() and write() with the conversion's buffer size.
Elapsed time_copy(const std::string& input, const std::string& output) {
  const Stopwatch stopwatch;
  const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) fail(input);
  const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) fail(output);
  static unsigned char buffer[mirtabel::kIoBufferSize];
  for (;;) {
    const ssize_t count = ::read(in, buffer, sizeof buffer);
    if (count < 0) fail(input);
    if (count == 0) break;
    for (ssize_t done = 0; done < count;) {
      const ssize_t written = ::write(out, buffer + done, static_cast<std::size_t>(count - done));
      if (written < 0) fail(output);
      done += written;
    }
  }
  ::close(in);
  if (::close(out) != 0) fail(output);
  return stopwatch.elapsed();
}

Elapsed time_conversion(const std::wstring& input, const std::wstring& output, int32_t& records) {
  const Stopwatch stopwatch;
  records = ConvertMXP(input.c_str(), output.c_str());
  const Elapsed elapsed = stopwatch.elapsed();
  if (records < 0) fail("ConvertMXP");
  return elapsed;
}

// Peak resident memory of `mxpconvert input output` in KiB, as peak_rss reports it.
long mxpconvert_peak_kib(const std::string& tools, const std::string& mxpconvert,
                         const std::string& input, const std::string& output) {
  const std::string peak_rss = tools + "/peak_rss";
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) fail("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  std::vector<char*> args = {
      const_cast<char*>(peak_rss.c_str()), const_cast<char*>(mxpconvert.c_str()),
      const_cast<char*>(input.c_str()), const_cast<char*>(output.c_str()), nullptr};
  pid_t child;
  const int error = posix_spawn(&child, peak_rss.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (error != 0) {
    errno = error;
    fail(peak_rss);
  }
  char text[32] = {};
  const ssize_t count = ::read(pipe_ends[0], text, sizeof text - 1);
  ::close(pipe_ends[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) != child) fail("waitpid");
  if (count <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    errno = 0;
    fail(mxpconvert + " failed on " + input);
  }
  return std::atol(text);
}

// 64-bit FNV-1a of a file's bytes.
std::uint64_t file_hash(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(path);
  std::vector<unsigned char> buffer(1 << 20);
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (;;) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count < 0) fail(path);
    if (count == 0) break;
    for (ssize_t i = 0; i < count; ++i)
      hash = (hash ^ buffer[i]) * 0x100000001B3u;
  }
  ::close(fd);
  return hash;
}

long long file_size(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(path);
  const off_t size = ::lseek(fd, 0, SEEK_END);
  ::close(fd);
  return static_cast<long long>(size);
}

std::string base_name(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The input's name as the tables show it: without its folder and its ".mxp".
std::string label(const std::string& path) {
  std::string name = base_name(path);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".mxp") == 0)
    name.resize(name.size() - 4);
  return name;
}

// The best and the worst wall time of several runs, and the least processor time.
struct Timings {
  double best = 0, worst = 0, best_cpu = 0;
  void add(Elapsed t, bool first) {
    best = first ? t.wall : std::min(best, t.wall);
    worst = first ? t.wall : std::max(worst, t.wall);
    best_cpu = first ? t.cpu : std::min(best_cpu, t.cpu);
  }
  double spread_percent() const { return 100.0 * (worst - best) / best; }
};

int usage() {
  std::fputs(
      "usage: mxp_bench [--runs N] [--rss-only] [--mxpconvert PATH] [--scratch DIR] INPUT...\n"
      "  --runs N         timed runs of each conversion and each copy (default 5); the best\n"
      "                   counts and the spread is (worst - best) / best\n"
      "  --rss-only       only the peak resident memory of mxpconvert for each input\n"
      "  --mxpconvert P   the host program whose memory is measured (default: beside mxp_bench)\n"
      "  --scratch DIR    where outputs go (default: beside each input)\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  bool rss_only = false;
  std::string tools, mxpconvert, scratch;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) return usage();
    } else if (arg == "--rss-only") {
      rss_only = true;
    } else if (arg == "--mxpconvert" && i + 1 < argc) {
      mxpconvert = argv[++i];
    } else if (arg == "--scratch" && i + 1 < argc) {
      scratch = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return usage();
    } else {
      inputs.push_back(arg);
    }
  }
  if (inputs.empty()) return usage();
  const std::string self = argv[0];
  const auto slash = self.rfind('/');
  tools = slash == std::string::npos ? std::string(".") : self.substr(0, slash);
  if (mxpconvert.empty()) mxpconvert = tools + "/mxpconvert";

  if (rss_only) {
    std::printf("%-26s %8s | %s\n", "input", "MiB", "mxpconvert peak RSS");
  } else {
    std::printf(
        "buffer %zu bytes, best of %d runs; MB = 10^6 bytes; spread = (worst - best) / best;\n"
        "ratio = conversion / copy, in wall time and in processor time (user + system)\n",
        mirtabel::kIoBufferSize, runs);
    std::printf("%-26s %6s %7s | %7s %6s %5s %9s | %7s %6s | %5s %5s | %9s | %s\n", "input", "MiB",
                "records", "convert", "spread", "MB/s", "recipes/s", "copy", "spread", "ratio",
                "cpu", "peak RSS", "output hash");
  }
  for (const std::string& input : inputs) {
    const std::string stem = scratch.empty() ? input : scratch + "/" + base_name(input);
    const std::string converted = stem + ".converted";
    const std::string copied = stem + ".copied";
    const double mib = static_cast<double>(file_size(input)) / (1 << 20);
    const double peak_mib =
        static_cast<double>(mxpconvert_peak_kib(tools, mxpconvert, input, converted)) / 1024;
    if (rss_only) {
      std::printf("%-26s %8.1f | %8.2f MiB\n", label(input).c_str(), mib, peak_mib);
      std::fflush(stdout);
      std::remove(converted.c_str());
      continue;
    }
    const std::wstring in_path = argument_to_path(input.c_str());
    const std::wstring out_path = argument_to_path(converted.c_str());
    int32_t records = 0;
    // One untimed round of each warms the page cache and the output files' blocks.
    time_copy(input, copied);
    time_conversion(in_path, out_path, records);
    Timings convert, copy;
    for (int run = 0; run < runs; ++run) {
      copy.add(time_copy(input, copied), run == 0);
      convert.add(time_conversion(in_path, out_path, records), run == 0);
    }
    const double mb = static_cast<double>(file_size(input)) / 1e6;
    std::printf(
        "%-26s %6.0f %7" PRId32
        " | %6.3fs %5.1f%% %5.0f %9.0f | %6.3fs %5.1f%% | %5.2f %5.2f | %5.2f MiB | %016" PRIx64
        "\n",
        label(input).c_str(), mib, records, convert.best, convert.spread_percent(),
        mb / convert.best, records / convert.best, copy.best, copy.spread_percent(),
        convert.best / copy.best, convert.best_cpu / copy.best_cpu, peak_mib, file_hash(converted));
    std::fflush(stdout);
    std::remove(converted.c_str());
    std::remove(copied.c_str());
  }
  return 0;
}
