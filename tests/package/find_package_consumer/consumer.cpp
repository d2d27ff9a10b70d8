// A C++ program that uses the installed library through find_package(Mirtabel): the header's
// version is the package's, the conversion writes as many lines as it counts, and the fixed
// exports are there.
#include <mirtabel_fixed.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (std::strcmp(MIRTABEL_VERSION_STRING, EXPECTED_VERSION) != 0 ||
      mirtabel_version_number() != MIRTABEL_VERSION_NUMBER) {
    std::fprintf(stderr, "header %s, package %s\n", MIRTABEL_VERSION_STRING, EXPECTED_VERSION);
    return 1;
  }
  // The test passes ASCII paths, which widen byte by byte.
  const std::string in = argv[1], out = argv[2];
  const std::int32_t records = ConvertMXP(std::wstring(in.begin(), in.end()).c_str(),
                                          std::wstring(out.begin(), out.end()).c_str());
  std::ifstream written(out, std::ios::binary);
  std::string line;
  int lines = 0;
  while (std::getline(written, line))
    ++lines;
  std::printf("mirtabel %s: %d records, %d lines\n", MIRTABEL_VERSION_STRING,
              static_cast<int>(records), lines);
  if (records <= 0 || lines != records) return 1;
  return fnMirtabel() == 42 ? 0 : 1;
}
