// The command line of mxpconvert: what the user asked for, or why the request makes no sense.
#ifndef MIRTABEL_HOST_COMMAND_LINE_H
#define MIRTABEL_HOST_COMMAND_LINE_H

#include <cstddef>
#include <filesystem>
#include <optional>
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
  bool input_named = false;  // an operand named the input, "-" included
  // Where one input's records go: -o FILE or the second operand; "-" is the standard output, the
  // default.
  std::filesystem::path output;
  bool output_is_operand = false;  // the second operand named it, as a shell pattern may
  // With --left-out: the side file of the recipes left out, instead of the one named after the
  // output (or none, for an output that is not a file).
  std::filesystem::path left_out;
  // With -d: every input is converted into this directory, each output named after its input.
  std::filesystem::path output_dir;
  OutputFormat format = OutputFormat::kRecords;
  std::optional<std::string> title;   // --title: the cookbook's title (UTF-8)
  std::optional<std::string> marker;  // --marker: the marker line (UTF-8), or "auto"
  mirtabel::InputEncoding encoding = mirtabel::InputEncoding::kChoose;  // -f, else chosen
  bool format_chosen = false;  // --format was given; otherwise the output's extension decides
  bool no_clobber = false;
  bool force = false;  // replace a second operand that holds MXP recipes; convert binary input
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

// The format an output file's name asks for by its extension (".jsonl" and ".json" ask for JSON
// Lines, ".html" and ".htm" for the cookbook, ".txt" for records): sets `format` when it asks.
void format_from_name(const std::filesystem::path& output, OutputFormat& format);

// The options' part of the help: one entry per option, its names, value and meaning, filled to
// `width` columns.
std::string options_help(std::size_t width);

#endif
