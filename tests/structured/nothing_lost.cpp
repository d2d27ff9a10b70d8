// Lists the words of each recipe's text that its JSON object lost (see
// tests/support/nothing_lost_check.h). Usage:
//   nothing_lost ARCHIVE JSON_LINES
// Prints one line per recipe that lost a word and exits 1 then; exits 2 when the JSON Lines do
// not hold one object per recipe of the archive, so that nothing was compared.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/nothing_lost_check.h"

namespace {

std::string contents(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: nothing_lost ARCHIVE JSON_LINES\n");
    return 2;
  }
  std::vector<std::string> lost;
  if (!mirtabel::testing::find_lost_words(contents(argv[1]), contents(argv[2]), lost)) return 2;
  for (const std::string& line : lost)
    std::printf("%s\n", line.c_str());
  return lost.empty() ? 0 : 1;
}
