// The command line of mxpconvert: what the user asked for, or why the request makes no sense.
#ifndef MIRTABEL_HOST_COMMAND_LINE_H
#define MIRTABEL_HOST_COMMAND_LINE_H

#include <filesystem>
#include <string>
#include <vector>

enum class Verbosity { kQuiet, kNormal, kVerbose };

struct CommandLine {
  enum class Action { kConvert, kHelp, kVersion };
  Action action = Action::kConvert;
  // The single-file form `INPUT OUTPUT` names one output file; the batch form `-o OUTDIR
  // INPUT...` names a directory and takes one or more inputs.
  bool batch = false;
  std::vector<std::filesystem::path> inputs;
  std::filesystem::path output;  // the output file, or the batch form's directory
  unsigned jobs = 0;             // 0: one per processor core
  Verbosity verbosity = Verbosity::kNormal;
  std::string error;  // set when the command line is wrong; the rest is then meaningless
};

inline constexpr unsigned kMaxJobs = 1024;

// Reads the arguments that follow the program name.
CommandLine parse_command_line(const std::vector<std::filesystem::path>& arguments);

#endif
