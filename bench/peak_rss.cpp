// peak_rss PROGRAM [ARG...]: runs PROGRAM with its output and messages discarded and prints its
// peak resident memory in KiB, or exits 1 when it could not run or did not succeed.
//
// A process that starts another records its own peak as the start of the new one's, so the
// benchmark starts PROGRAM through this small process, whose peak stays below any program's.
// It uses only the C library and is linked without the C++ one (see CMakeLists.txt).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: peak_rss PROGRAM [ARG...]\n", stderr);
    return 2;
  }
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    execv(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child) return 1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}
