// mxp_bench: times the conversion of each input against plain copies of the same file, and
// against another build of the library, every one as a process of its own, in one run.
//
// Each round runs every contender once on the input, in an order that changes from round to
// round (whatever runs right after a copy pays for the copy's dirty pages). Each output is
// removed after its run, outside the timing, so that no run pays for truncating the last one's.
// A contender's time is the processor time of its process (user + system, from wait4), which a
// busy machine disturbs far less than the wall time; the best of all rounds counts.
//
// The contenders: plain read()/write() copies with a 256 KiB buffer (the fastest plain copy) and
// with a 32 KiB one; convert_file, ConvertMXP in a program of its own, once for every inner loop
// of the reader given with --paths (through MIRTABEL_SIMD); and, with --baseline, another
// convert_file built against an earlier version of the library. An untimed first round
// checks that every conversion writes the same bytes (64-bit FNV-1a hash) and warms the page
// cache.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "mxp_bench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// The plain copy, run as `mxp_bench --copy SIZE INPUT OUTPUT`.
int copy_file(std::size_t buffer_size, const char* input, const char* output) {
  const int in = ::open(input, O_RDONLY | O_CLOEXEC);
  if (in < 0) fail(input);
  const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) fail(output);
  std::vector<unsigned char> buffer(buffer_size);
  for (;;) {
    const ssize_t count = ::read(in, buffer.data(), buffer.size());
    if (count < 0) fail(input);
    if (count == 0) break;
    for (ssize_t done = 0; done < count;) {
      const ssize_t written = ::write(out, buffer.data() + done, std::size_t(count - done));
      if (written < 0) fail(output);
      done += written;
    }
  }
  ::close(in);
  if (::close(out) != 0) fail(output);
  return 0;
}

struct Usage {
  double cpu = 0;   // user + system seconds of the process
  double wall = 0;  // seconds from its start to its end
  std::string out;  // what it printed
};

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs `args` with MIRTABEL_SIMD=`simd` (when not empty), its standard error sent to /dev/null
// when `mute`, and returns its usage; a program that fails stops the benchmark.
Usage run(const std::vector<std::string>& args, const std::string& simd, bool mute = false) {
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "MIRTABEL_SIMD=", 14) != 0) env_text.emplace_back(*e);
  }
  if (!simd.empty()) env_text.push_back("MIRTABEL_SIMD=" + simd);
  std::vector<char*> argv, envp;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env_text)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) fail("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  if (mute) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child;
  const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (error != 0) {
    errno = error;
    fail(args[0]);
  }
  Usage usage;
  char text[256];
  for (ssize_t n; (n = ::read(pipe_ends[0], text, sizeof text)) > 0;)
    usage.out.append(text, std::size_t(n));
  ::close(pipe_ends[0]);
  int status = 0;
  rusage resources{};
  if (::wait4(child, &status, 0, &resources) != child) fail("wait4");
  usage.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  usage.cpu = seconds(resources.ru_utime) + seconds(resources.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    errno = 0;
    fail(args[0] + " failed on " + args[args.size() - 2]);
  }
  return usage;
}

// 64-bit FNV-1a of a file's bytes.
std::uint64_t file_hash(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(path);
  std::vector<unsigned char> buffer(1 << 20);
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (ssize_t count; (count = ::read(fd, buffer.data(), buffer.size())) > 0;) {
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

struct Contender {
  Contender(std::string n, std::vector<std::string> c, std::string s, bool conv)
      : name(std::move(n)), command(std::move(c)), simd(std::move(s)), converts(conv) {}

  std::string name;
  std::vector<std::string> command;  // without the input and output paths
  std::string simd;                  // MIRTABEL_SIMD for it, or empty
  bool converts;
  double best_cpu = 0, best_wall = 0;
  std::uint64_t hash = 0;
  std::string records;
};

// The peak resident memory, in MiB, of `program INPUT OUTPUT`, measured by peak_rss.
double peak_mib(const std::string& tools, const std::string& program, const std::string& input,
                const std::string& output) {
  const Usage usage = run({tools + "/peak_rss", program, input, output}, "");
  std::remove(output.c_str());
  // mxpconvert keeps the text of recipes left out beside its output.
  std::remove((output.substr(0, output.rfind('.')) + ".left-out.mxp").c_str());
  return std::atof(usage.out.c_str()) / 1024;
}

// A program the per-MB table times: its command before INPUT OUTPUT, and its output, a file with
// this extension (beside which mxpconvert writes a side file of the recipes left out or cut) or,
// when empty, /dev/null (where it writes none).
struct Converter {
  std::string name;
  std::vector<std::string> command;
  std::string extension;
};

// Removes every file in `dir`: an output and whatever side file its program wrote beside it.
void empty_directory(const std::string& dir) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) fail(dir);
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") std::remove((dir + "/" + name).c_str());
  }
  ::closedir(listing);
}

// The table of inputs built to hit slow paths: the processor time per MB of each input against
// that of the first one, for each converter. The runs go in an order that changes from round to
// round; each one's outputs are removed after it, outside the timing.
int per_mb_table(const std::vector<Converter>& converters, const std::string& path,
                 const std::string& scratch, const std::vector<std::string>& inputs, int rounds) {
  struct Timed {
    std::vector<std::string> command;
    std::string output_dir;
    double best_cpu = 0;
    std::string records;
  };
  std::vector<Timed> runs;  // input by input, each with every converter
  for (const std::string& input : inputs) {
    for (std::size_t c = 0; c < converters.size(); ++c) {
      Timed timed;
      timed.output_dir =
          (scratch.empty() ? input : scratch + "/" + base_name(input)) + ".out" + std::to_string(c);
      if (::mkdir(timed.output_dir.c_str(), 0777) != 0 && errno != EEXIST) fail(timed.output_dir);
      timed.command = converters[c].command;
      timed.command.push_back(input);
      timed.command.push_back(converters[c].extension.empty()
                                  ? "/dev/null"
                                  : timed.output_dir + "/out" + converters[c].extension);
      runs.push_back(timed);
    }
  }
  std::vector<std::size_t> order(runs.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::mt19937 shuffle(11);
  for (int round = 0; round <= rounds; ++round) {  // round 0 is untimed: a warm page cache
    std::shuffle(order.begin(), order.end(), shuffle);
    for (const std::size_t i : order) {
      Timed& r = runs[i];
      // Warnings (of recipes left out or cut) are shown once, in the untimed round.
      const Usage usage = run(r.command, path, round > 0);
      empty_directory(r.output_dir);
      if (round == 0) {
        r.records = usage.out.substr(0, usage.out.find('\n'));
      } else {
        r.best_cpu = round == 1 ? usage.cpu : std::min(r.best_cpu, usage.cpu);
      }
    }
  }
  for (const Timed& r : runs)
    ::rmdir(r.output_dir.c_str());
  std::printf(
      "best of %d rounds in a varying order%s; ms/MB = processor time (user + system) per MB of\n"
      "input; x = ms/MB / ms/MB of %s with the same converter\n",
      rounds, path.empty() ? "" : (", MIRTABEL_SIMD=" + path).c_str(), label(inputs[0]).c_str());
  std::printf("%-28s %6s %8s", "input", "MB", "records");
  for (const Converter& c : converters)
    std::printf(" | %-13s", c.name.c_str());
  std::printf("\n%-28s %6s %8s", "", "", "");
  for (std::size_t c = 0; c < converters.size(); ++c)
    std::printf(" | %6s %6s", "ms/MB", "x");
  std::printf("\n");
  const std::size_t width = converters.size();
  const auto ms_per_mb = [&](std::size_t i) {
    return runs[i].best_cpu * 1e3 / (static_cast<double>(file_size(inputs[i / width])) / 1e6);
  };
  for (std::size_t i = 0; i < runs.size(); i += width) {
    const std::string& input = inputs[i / width];
    std::printf("%-28s %6.1f %8s", label(input).c_str(),
                static_cast<double>(file_size(input)) / 1e6, runs[i].records.c_str());
    for (std::size_t c = 0; c < width; ++c)
      std::printf(" | %6.2f %6.2f", ms_per_mb(i + c), ms_per_mb(i + c) / ms_per_mb(c));
    std::printf("\n");
  }
  return 0;
}

int usage() {
  std::fputs(
      "usage: mxp_bench [--runs N] [--paths LIST] [--baseline PROGRAM [--baseline-per-path]]\n"
      "                 [--scratch DIR] INPUT...\n"
      "       mxp_bench --rss [--scratch DIR] INPUT...\n"
      "       mxp_bench --per-mb [--runs N] [--paths PATH] [--baseline PROGRAM] [--scratch DIR]\n"
      "                 [--formats LIST] INPUT...\n"
      "  --runs N           timed rounds (default 15); the best processor time counts\n"
      "  --paths LIST       inner loops to time, e.g. portable,sse2,avx2 (default: the chosen "
      "one)\n"
      "  --baseline PROG    convert_file built against another version of the library\n"
      "  --baseline-per-path  time the baseline on each of the --paths too (for a baseline that\n"
      "                     reads MIRTABEL_SIMD)\n"
      "  --scratch DIR      where outputs go (default: beside each input)\n"
      "  --rss              only the peak resident memory of convert_file and mxpconvert\n"
      "  --per-mb           only convert_file (on one inner loop), the baseline and the\n"
      "                     --formats: processor time per MB of each input against the first\n"
      "                     input's\n"
      "  --formats LIST     with --per-mb, mxpconvert too, in each format of LIST (e.g.\n"
      "                     records,json,html), to /dev/null and to a file with its side file\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--copy") == 0) {
    return copy_file(std::strtoul(argv[2], nullptr, 10), argv[3], argv[4]);
  }
  int rounds = 15;
  bool rss_only = false;
  bool per_mb = false;
  bool baseline_per_path = false;
  std::string baseline, scratch, paths, formats;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--runs" && has_value) {
      rounds = std::atoi(argv[++i]);
      if (rounds < 1) return usage();
    } else if (arg == "--paths" && has_value) {
      paths = argv[++i];
    } else if (arg == "--baseline" && has_value) {
      baseline = argv[++i];
    } else if (arg == "--formats" && has_value) {
      formats = argv[++i];
    } else if (arg == "--scratch" && has_value) {
      scratch = argv[++i];
    } else if (arg == "--rss") {
      rss_only = true;
    } else if (arg == "--baseline-per-path") {
      baseline_per_path = true;
    } else if (arg == "--per-mb") {
      per_mb = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return usage();
    } else {
      inputs.push_back(arg);
    }
  }
  if (inputs.empty()) return usage();
  const std::string self = argv[0];
  const auto slash = self.rfind('/');
  const std::string tools = slash == std::string::npos ? "." : self.substr(0, slash);
  const std::string convert_file = tools + "/convert_file";

  if (per_mb) {
    if (paths.find(',') != std::string::npos) return usage();
    std::vector<Converter> converters{{"convert_file", {convert_file}, ".out"}};
    if (!baseline.empty()) converters.push_back({"baseline", {baseline}, ".out"});
    for (std::string list = formats; !list.empty();) {
      const std::string format = list.substr(0, list.find(','));
      list.erase(0, format.size() + 1);
      const std::vector<std::string> command{tools + "/mxpconvert", "-q", "--format=" + format};
      converters.push_back({format, command, ""});
      const std::string extension = format == "json"   ? ".jsonl"
                                    : format == "html" ? ".html"
                                                       : ".txt";
      converters.push_back({format + "+side", command, extension});
    }
    return per_mb_table(converters, paths, scratch, inputs, rounds);
  }

  if (rss_only) {
    std::printf("%-26s %8s | %12s | %12s\n", "input", "MiB", "convert_file", "mxpconvert");
    for (const std::string& input : inputs) {
      const std::string out = (scratch.empty() ? input : scratch + "/" + base_name(input)) + ".rss";
      std::printf("%-26s %8.1f | %8.2f MiB | %8.2f MiB\n", label(input).c_str(),
                  static_cast<double>(file_size(input)) / (1 << 20),
                  peak_mib(tools, convert_file, input, out),
                  peak_mib(tools, tools + "/mxpconvert", input, out));
      std::fflush(stdout);
    }
    return 0;
  }

  std::vector<Contender> contenders;
  contenders.emplace_back("copy, 256 KiB", std::vector<std::string>{self, "--copy", "262144"}, "",
                          false);
  contenders.emplace_back("copy, 32 KiB", std::vector<std::string>{self, "--copy", "32768"}, "",
                          false);
  if (!baseline.empty()) {
    contenders.emplace_back("baseline", std::vector<std::string>{baseline}, "", true);
  }
  const std::size_t first_path = contenders.size();
  std::string path_list = paths;
  do {
    const std::string path = path_list.substr(0, path_list.find(','));
    path_list.erase(0, path.size() + 1);
    contenders.emplace_back(path.empty() ? "this build" : path,
                            std::vector<std::string>{convert_file}, path, true);
  } while (!path_list.empty());
  // The baseline on every inner loop too: each of this build's loops is then compared with the
  // same loop before.
  const std::size_t path_count = contenders.size() - first_path;
  if (!baseline.empty() && baseline_per_path) {
    for (std::size_t i = 0; i < path_count; ++i) {
      const Contender& c = contenders[first_path + i];
      contenders.emplace_back("base " + c.simd, std::vector<std::string>{baseline}, c.simd, true);
    }
  }

  std::printf(
      "best of %d rounds in a varying order; cpu = user + system seconds of the process;\n"
      "x copy = cpu / cpu of the 256 KiB copy; x base = cpu / cpu of the baseline%s\n",
      rounds, baseline_per_path ? " on the same inner loop" : "");
  std::mt19937 shuffle(7);
  bool hashes_differ = false;
  for (const std::string& input : inputs) {
    const std::string stem = scratch.empty() ? input : scratch + "/" + base_name(input);
    const auto output_of = [&](std::size_t i) { return stem + ".out" + std::to_string(i); };
    std::vector<std::size_t> order(contenders.size());
    for (std::size_t i = 0; i < order.size(); ++i)
      order[i] = i;
    for (int round = 0; round <= rounds; ++round) {
      std::shuffle(order.begin(), order.end(), shuffle);
      for (const std::size_t i : order) {
        Contender& c = contenders[i];
        std::vector<std::string> command = c.command;
        command.push_back(input);
        command.push_back(output_of(i));
        const Usage usage = run(command, c.simd);
        if (round == 0) {  // untimed: the hash, and a warm page cache
          c.hash = file_hash(output_of(i));
          c.records = usage.out.substr(0, usage.out.find('\n'));
        } else {
          c.best_cpu = round == 1 ? usage.cpu : std::min(c.best_cpu, usage.cpu);
          c.best_wall = round == 1 ? usage.wall : std::min(c.best_wall, usage.wall);
        }
        std::remove(output_of(i).c_str());
      }
    }
    const double mb = static_cast<double>(file_size(input)) / 1e6;
    const Contender* base = baseline.empty() ? nullptr : &contenders[2];
    std::printf("\n%s: %.0f MB, %s records\n", label(input).c_str(), mb,
                contenders.back().records.c_str());
    std::printf("  %-16s %7s %7s %7s %7s %7s  %s\n", "", "cpu s", "wall s", "MB/s", "x copy",
                "x base", "output hash");
    for (std::size_t i = 0; i < contenders.size(); ++i) {
      const Contender& c = contenders[i];
      std::printf("  %-16s %7.3f %7.3f %7.0f %7.2f", c.name.c_str(), c.best_cpu, c.best_wall,
                  mb / c.best_cpu, c.best_cpu / contenders[0].best_cpu);
      const bool own_base = i >= first_path && i < first_path + path_count &&
                            contenders.size() == first_path + 2 * path_count;
      if (base != nullptr && c.converts) {
        std::printf(" %7.2f",
                    c.best_cpu / (own_base ? contenders[i + path_count] : *base).best_cpu);
      } else {
        std::printf(" %7s", "");
      }
      if (c.converts) {
        const bool same = base == nullptr || c.hash == base->hash;
        hashes_differ |= !same;
        std::printf("  %016" PRIx64 "%s", c.hash, same ? "" : "  DIFFERS from the baseline");
      }
      std::printf("\n");
    }
    std::fflush(stdout);
  }
  return hashes_differ ? 1 : 0;
}
