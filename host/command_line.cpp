#include "host/command_line.h"

#include <cstddef>

#include "host/argument_path.h"

namespace {

// Reads a job count: decimal digits only, 1 to kMaxJobs.
bool parse_jobs(const std::string& text, unsigned& jobs) {
  if (text.empty() || text.size() > 4) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > kMaxJobs) return false;
  jobs = value;
  return true;
}

// An option that takes a value, given as `-x VALUE`, `-xVALUE`, `--long VALUE` or
// `--long=VALUE`.
struct OptionValue {
  bool present = false;    // the argument is this option
  bool missing = false;    // ... and no value follows it
  std::size_t index = 0;   // the argument that holds the value
  std::size_t offset = 0;  // where the value starts in it: after the option's name when attached
};

OptionValue match_valued(const std::string& argument, const std::string& short_name,
                         const std::string& long_name, std::size_t i, std::size_t count) {
  OptionValue o;
  if (argument == short_name || argument == long_name) {
    o.present = true;
    o.missing = i + 1 >= count;
    o.index = i + 1;
  } else if (argument.compare(0, short_name.size(), short_name) == 0 && argument[1] != '-') {
    o.present = true;
    o.index = i;
    o.offset = short_name.size();
  } else if (argument.compare(0, long_name.size() + 1, long_name + "=") == 0) {
    o.present = true;
    o.index = i;
    o.offset = long_name.size() + 1;
  }
  return o;
}

// The option's value: the option names are ASCII, one unit each in every native encoding, so the
// value is cut from the native argument and keeps its exact bytes.
std::filesystem::path value_of(const OptionValue& o,
                               const std::vector<std::filesystem::path>& arguments) {
  return arguments[o.index].native().substr(o.offset);
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::filesystem::path>& arguments) {
  CommandLine line;
  std::vector<std::filesystem::path> files;
  bool quiet = false;
  bool verbose = false;
  bool options_ended = false;
  const std::size_t count = arguments.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Options are ASCII, so their UTF-8 display form is enough to recognise them.
    const std::string argument = display_name(arguments[i]);
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      files.push_back(arguments[i]);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
    } else if (argument == "-h" || argument == "--help") {
      line.action = CommandLine::Action::kHelp;
      return line;
    } else if (argument == "-V" || argument == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    } else if (argument == "-q" || argument == "--quiet") {
      quiet = true;
    } else if (argument == "-v" || argument == "--verbose") {
      verbose = true;
    } else if (OptionValue o = match_valued(argument, "-o", "--output-dir", i, count); o.present) {
      if (o.missing || value_of(o, arguments).empty()) {
        line.error = "option " + argument + " needs a directory";
        return line;
      }
      if (line.batch) {
        line.error = "only one output directory may be given";
        return line;
      }
      line.batch = true;
      line.output = value_of(o, arguments);
      i = o.index;
    } else if (OptionValue j = match_valued(argument, "-j", "--jobs", i, count); j.present) {
      if (j.missing || !parse_jobs(display_name(value_of(j, arguments)), line.jobs)) {
        line.error =
            "option " + argument + " needs a number of jobs from 1 to " + std::to_string(kMaxJobs);
        return line;
      }
      i = j.index;
    } else {
      line.error = "unknown option " + argument;
      return line;
    }
  }
  if (quiet && verbose) {
    line.error = "-q and -v cannot be used together";
    return line;
  }
  line.verbosity = quiet ? Verbosity::kQuiet : verbose ? Verbosity::kVerbose : Verbosity::kNormal;
  if (line.batch) {
    if (files.empty()) {
      line.error = "no input files";
      return line;
    }
    line.inputs = std::move(files);
    return line;
  }
  if (files.size() > 2) {
    line.error = "too many arguments; to convert several files, name an output directory with -o";
    return line;
  }
  if (files.size() < 2) {
    line.error = "expected INPUT and OUTPUT";
    return line;
  }
  line.inputs.push_back(files[0]);
  line.output = files[1];
  return line;
}
