// mxpconvert: converts one MXP recipe export file with the Mirtabel library.
#include <mirtabel.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/argument_path.h"

namespace {

constexpr char kUsage[] = "usage: mxpconvert INPUT OUTPUT\n";

constexpr char kHelp[] =
    "usage: mxpconvert INPUT OUTPUT\n"
    "\n"
    "Converts the MXP recipe export file INPUT into OUTPUT, a flat text file with one line\n"
    "per recipe: a 100-character title field, then the recipe's text, in which line breaks\n"
    "became \"[PAGE]\". OUTPUT is created, or replaced if it exists; it must not be INPUT.\n"
    "\n"
    "INPUT may be UTF-8 (bytes that are not valid UTF-8 are read as Windows-1252) or UTF-16\n"
    "with a byte-order mark, with LF, CR LF or CR line ends. OUTPUT is UTF-8 with LF.\n"
    "Recipes whose text is longer than 9,500 characters are left out.\n"
    "\n"
    "options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "exit status: 0 when the file was converted, 1 when it could not be, 2 for wrong usage.\n"
    "\n"
    "example:\n"
    "  mxpconvert recipes.mxp recipes.txt\n";

const char* failure_reason(int error) {
  if (error == EINVAL) return "the output path names the input file";
  return std::strerror(error);
}

int convert(const char* input, const char* output) {
  const std::wstring input_path = argument_to_path(input);
  const std::wstring output_path = argument_to_path(output);
  errno = 0;
  const int32_t records = ConvertMXP(input_path.c_str(), output_path.c_str());
  if (records < 0) {
    std::fprintf(stderr, "mxpconvert: cannot convert %s to %s: %s\n", input, output,
                 failure_reason(errno));
    return 1;
  }
  std::printf("%ld %s written to %s\n", static_cast<long>(records),
              records == 1 ? "recipe" : "recipes", output);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* files[2];
  int file_count = 0;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_ended && arg[0] == '-' && arg[1] != '\0') {
      if (std::strcmp(arg, "--") == 0) {
        options_ended = true;
      } else if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
      } else if (std::strcmp(arg, "-V") == 0 || std::strcmp(arg, "--version") == 0) {
        std::printf("mxpconvert %s\n", MIRTABEL_VERSION_STRING);
        return 0;
      } else {
        std::fprintf(stderr, "mxpconvert: unknown option %s\n%s", arg, kUsage);
        return 2;
      }
      continue;
    }
    if (file_count == 2) {
      std::fprintf(stderr, "mxpconvert: too many arguments\n%s", kUsage);
      return 2;
    }
    files[file_count++] = arg;
  }
  if (file_count != 2) {
    std::fprintf(stderr, "mxpconvert: expected INPUT and OUTPUT\n%s", kUsage);
    return 2;
  }
  return convert(files[0], files[1]);
}
