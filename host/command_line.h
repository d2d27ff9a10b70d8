// The command line of mxpconvert: what the user asked for, or why the request makes no sense.
#ifndef MIRTABEL_HOST_COMMAND_LINE_H
#define MIRTABEL_HOST_COMMAND_LINE_H

#include <filesystem>
#include <string>
#include <vector>

#include "host/file_conversion.h"
#include "platform/input_encoding.h"

enum class Verbosity { kQuiet, kNormal, kVerbose };

struct CommandLine {
  enum class Action { kConvert, kHelp, kVersion };
  Action action = Action::kConvert;
  // The files to convert; "-" is the standard input, which is read when no input is named.
  std::vector<std::filesystem::path> inputs;
  // Where one input's records go: -o FILE or the second operand; "-" is the standard output, the
  // default.
  std::filesystem::path output;
  // With -d: every input is converted into this directory, each output named after its input.
  std::filesystem::path output_dir;
  OutputFormat format = OutputFormat::kRecords;
  mirtabel::InputEncoding encoding = mirtabel::InputEncoding::kUtf8;
  bool no_clobber = false;
  bool strict = false;
  unsigned jobs = 0;  // 0: one per processor core
  Verbosity verbosity = Verbosity::kNormal;
  std::string error;  // set when the command line is wrong; the rest is then meaningless

  bool batch() const { return !output_dir.empty(); }
};

inline constexpr unsigned kMaxJobs = 1024;

// Reads the arguments that follow the program name, as GNU getopt_long does: options and
// operands in any order, short options bundled (-qv), values attached or apart (-oFILE, -o FILE,
// --output=FILE, --output FILE), long options shortened to any unambiguous prefix, and "--"
// ending the options.
CommandLine parse_command_line(const std::vector<std::filesystem::path>& arguments);

// The options' part of the help: one entry per option, its names, value and meaning.
std::string options_help();

#endif
