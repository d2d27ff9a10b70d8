// convert_file INPUT OUTPUT: ConvertMXP and nothing else, the program whose time the benchmark
// takes. It prints the number of records; built against any version of the library, it times
// that version the same way.
#include <mirtabel.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The benchmark's file names are ASCII.
std::wstring wide(const char* path) {
  return std::wstring(path, path + std::strlen(path));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: convert_file INPUT OUTPUT\n", stderr);
    return 2;
  }
  const int records = ConvertMXP(wide(argv[1]).c_str(), wide(argv[2]).c_str());
  if (records < 0) {
    std::fprintf(stderr, "convert_file: %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  std::printf("%d\n", records);
  return 0;
}
