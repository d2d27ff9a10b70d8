// mxpconvert's entry point: the command line as the system's own file names, which reach the
// conversion unchanged (bytes on POSIX, UTF-16 on Windows, whatever the locale or code page).
#include <filesystem>
#include <vector>

#include "host/mxpconvert.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.emplace_back(argv[i]);
  return run_mxpconvert(arguments);
}
