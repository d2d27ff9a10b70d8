#include "host/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/argument_path.h"
#include "host/help.h"

namespace fs = std::filesystem;

namespace {

// An option's value: the argument's own form (a file name reaches the file system unchanged),
// and its text, UTF-8 on every system, to read numbers and names from.
struct Value {
  fs::path path;
  std::string text;
};

// One option: adding an option to mxpconvert is adding one of these.
struct Option {
  const char* long_name;
  char short_name;         // 0: the long name only
  const char* value_name;  // the value as the help names it; nullptr for a switch
  const char* help;        // one paragraph, filled to the help's width
  // Applies the option; returns why its value is wrong, or "".
  std::string (*apply)(CommandLine& line, const Value& value);
};

std::string set_output(CommandLine& line, const Value& value) {
  if (value.path.empty()) return "needs a file name";
  line.output = value.path;
  return "";
}

std::string set_output_dir(CommandLine& line, const Value& value) {
  if (value.path.empty()) return "needs a directory";
  line.output_dir = value.path;
  return "";
}

std::string set_left_out(CommandLine& line, const Value& value) {
  if (value.path.empty() || value.path == "-") return "needs a file name";
  line.left_out = value.path;
  return "";
}

std::string set_format(CommandLine& line, const Value& value) {
  line.format_chosen = true;
  const mirtabel::OutputFormatNames* names = mirtabel::output_format_named(value.text);
  if (names == nullptr) {
    return "knows no format '" + printable(value.text) + "'; it takes records, json or html";
  }
  line.format = names->format;
  return "";
}

std::string set_title(CommandLine& line, const Value& value) {
  line.title = value.text;
  return "";
}

std::string set_encoding(CommandLine& line, const Value& value) {
  if (mirtabel::input_encoding_from_name(value.text, line.encoding)) return "";
  return "knows no encoding '" + printable(value.text) +
         "'; it takes utf-8, windows-1252, latin-1, cp437, cp850 or mac-roman";
}

// A job count: decimal digits only, 1 to kMaxJobs.
std::string set_jobs(CommandLine& line, const Value& value) {
  unsigned jobs = 0;
  bool valid = !value.text.empty() && value.text.size() <= 4;
  for (const char c : value.text) {
    valid = valid && c >= '0' && c <= '9';
    jobs = jobs * 10 + static_cast<unsigned>(c - '0');
  }
  if (!valid || jobs == 0 || jobs > kMaxJobs) {
    return "needs a number of jobs from 1 to " + std::to_string(kMaxJobs);
  }
  line.jobs = jobs;
  return "";
}

const Option kOptions[] = {
    {"output", 'o', "FILE", "write the records to FILE ('-': the standard output, the default)",
     set_output},
    {"output-dir", 'd', "DIR",
     "convert every INPUT into DIR (created if needed), each into NAME.txt (NAME.jsonl, "
     "NAME.html) after its input",
     set_output_dir},
    {"format", 0, "FORMAT",
     "write FORMAT: records, one flat record per recipe; json, JSON Lines of schema.org "
     "Recipe objects, one per recipe, none left out; or html, a cookbook to read and print, "
     "each recipe's object in it. Without it, an output file named *.jsonl or *.json gets "
     "json, *.html or *.htm html, any other records",
     set_format},
    {"encoding", 'f', "NAME",
     "read input without a byte-order mark as NAME: utf-8 (a byte that is not UTF-8 is read "
     "as windows-1252), windows-1252, latin-1, cp437, cp850 or mac-roman. Without it, input "
     "is read as utf-8 with such bytes read as windows-1252 or, where the text shows it "
     "(byte 0xF8 as the degree sign after 350, say), as cp437; -v tells which and why",
     set_encoding},
    {"marker", 0, "TEXT",
     "start each recipe at a line that ends with TEXT, not at the input's first line, skipping "
     "the lines before the first; auto: at the first line that opens a recipe as MXP does, and "
     "others too, but for spacing",
     [](CommandLine& line, const Value& value) {
       line.marker = value.text;
       return std::string(value.text.empty() ? "needs the marker line's text, or auto" : "");
     }},
    {"left-out", 0, "FILE", "write the text of the recipes left out to FILE", set_left_out},
    {"title", 0, "TEXT",
     "title the cookbook TEXT instead of its input's name without the extension (html only)",
     set_title},
    {"no-clobber", 'n', nullptr, "never replace an existing file",
     [](CommandLine& line, const Value&) {
       line.no_clobber = true;
       return std::string();
     }},
    {"force", 0, nullptr,
     "replace an OUTPUT that holds MXP recipes, and convert an input that looks like a binary "
     "file (a PDF, a picture, an archive) rather than refuse it",
     [](CommandLine& line, const Value&) {
       line.force = true;
       return std::string();
     }},
    {"strict", 0, nullptr,
     "exit with status 3 when recipes were left out, or in json or html passed a record's "
     "length, or a warning was given about an input",
     [](CommandLine& line, const Value&) {
       line.strict = true;
       return std::string();
     }},
    {"jobs", 'j', "N",
     "convert up to N files at once (1 to 1024; default: one per processor core), fewer if few "
     "files may be open",
     set_jobs},
    {"quiet", 'q', nullptr, "print only warnings and errors",
     [](CommandLine& line, const Value&) {
       line.verbosity = Verbosity::kQuiet;
       return std::string();
     }},
    {"verbose", 'v', nullptr, "also name each recipe left out",
     [](CommandLine& line, const Value&) {
       line.verbosity = Verbosity::kVerbose;
       return std::string();
     }},
    {"help", 'h', nullptr, "show this help and exit",
     [](CommandLine& line, const Value&) {
       line.action = CommandLine::Action::kHelp;
       return std::string();
     }},
    {"version", 'V', nullptr, "show the version and exit",
     [](CommandLine& line, const Value&) {
       line.action = CommandLine::Action::kVersion;
       return std::string();
     }},
};

// getopt_long's code for an option: its letter, or a number past every letter.
int code_of(const Option& option) {
  return option.short_name != 0 ? option.short_name : 256 + static_cast<int>(&option - kOptions);
}

const Option* option_with_code(int code) {
  for (const Option& option : kOptions) {
    if (code_of(option) == code) return &option;
  }
  return nullptr;
}

// Why getopt_long refused `argument`, which `result` (':' or '?') and `code` (optopt) describe.
std::string refusal(int result, int code, const std::string& argument) {
  const Option* option = option_with_code(code);
  const std::string name = argument.substr(0, argument.find('='));
  // A switch given a value is '?' to glibc and ':' to MinGW-w64.
  if (option != nullptr && option->value_name == nullptr) {
    return "option '" + name + "' takes no value";
  }
  if (result == ':' && option != nullptr) {
    return "option '" + argument + "' needs " + option->value_name;
  }
  if (code > 0 && code < 256 && option == nullptr) {
    return "unknown option '-" + std::string(1, static_cast<char>(code)) + "'";
  }
  std::string matches;
  for (const Option& o : kOptions) {
    if (std::strncmp(o.long_name, name.c_str() + 2, name.size() - 2) == 0) {
      matches += std::string(matches.empty() ? "" : ", ") + "--" + o.long_name;
    }
  }
  if (matches.find(',') != std::string::npos) {
    return "option '" + name + "' is ambiguous: it could be " + matches;
  }
  return "unknown option '" + printable(name) + "'";
}

// Decides what the operands are, once the options are read.
void take_operands(CommandLine& line, std::vector<fs::path> operands) {
  if (line.batch()) {
    if (!line.output.empty()) {
      line.error = "-o names one output file and -d a directory for many: give one of them";
    } else if (!line.left_out.empty()) {
      line.error =
          "--left-out names the side file of one output; with -d each output's side "
          "file lies beside it";
    } else if (operands.empty()) {
      line.error = "-d needs the files to convert";
    }
    for (const fs::path& operand : operands) {
      if (operand == "-") line.error = "the standard input cannot be converted into a directory";
    }
    line.inputs = std::move(operands);
    return;
  }
  if (operands.size() > 2 || (operands.size() == 2 && !line.output.empty())) {
    line.error = "one input at a time; to convert several files, name a directory with -d";
    return;
  }
  if (operands.size() == 2) {
    line.output = operands[1];
    line.output_is_operand = true;
  }
  if (line.output.empty()) line.output = "-";
  line.input_named = !operands.empty();
  line.inputs.push_back(operands.empty() ? fs::path("-") : operands[0]);
  if (!line.format_chosen && !is_standard_stream(line.output)) {
    format_from_name(line.output, line.format);
  }
}

}  // namespace

CommandLine parse_command_line(const std::vector<fs::path>& arguments) {
  CommandLine line;
  // getopt_long reads narrow strings: the arguments as UTF-8 (their own bytes on POSIX). What it
  // returns points into them, and is traced back to the argument it came from.
  std::vector<std::string> texts{"mxpconvert"};
  for (const fs::path& argument : arguments)
    texts.push_back(display_name(argument));
  std::vector<char*> argv;
  for (std::string& text : texts)
    argv.push_back(text.data());
  argv.push_back(nullptr);
  const auto original = [&](const char* text) -> fs::path {
    for (std::size_t i = 1; i < texts.size(); ++i) {
      const char* begin = texts[i].data();
      // Option names are ASCII, one unit in every encoding: a value's offset is the same there.
      if (text >= begin && text <= begin + texts[i].size()) {
        return arguments[i - 1].native().substr(static_cast<std::size_t>(text - begin));
      }
    }
    return text;
  };

  std::string short_options = ":";
  std::vector<option> long_options;
  for (const Option& o : kOptions) {
    if (o.short_name != 0) {
      short_options += o.short_name;
      if (o.value_name != nullptr) short_options += ':';
    }
    long_options.push_back({o.long_name, o.value_name != nullptr ? required_argument : no_argument,
                            nullptr, code_of(o)});
  }
  long_options.push_back({nullptr, 0, nullptr, 0});

  const int argc = static_cast<int>(texts.size());
  optind = 0;  // starts getopt_long afresh
  opterr = 0;
  for (;;) {
    const int code =
        getopt_long(argc, argv.data(), short_options.c_str(), long_options.data(), nullptr);
    if (code == -1) break;
    const Option* option = option_with_code(code);
    if (code == '?' || code == ':' || option == nullptr) {
      // The argument getopt_long refused is the last it looked at.
      const int last = std::min(optind, argc) - 1;
      line.error = refusal(code, optopt, last > 0 ? argv[last] : "");
      return line;
    }
    const Value value{optarg != nullptr ? original(optarg) : fs::path(),
                      optarg != nullptr ? optarg : ""};
    const std::string error = option->apply(line, value);
    if (!error.empty()) {
      line.error = std::string("option ") +
                   (option->short_name != 0 ? std::string("-") + option->short_name + "/" : "") +
                   "--" + option->long_name + " " + error;
      return line;
    }
    if (line.action != CommandLine::Action::kConvert) return line;
  }
  std::vector<fs::path> operands;
  for (int i = optind; i < argc; ++i)
    operands.push_back(original(argv[i]));
  take_operands(line, std::move(operands));
  if (line.error.empty() && line.title && line.format != OutputFormat::kHtml) {
    line.error = "--title titles a cookbook: give --format=html or an output named *.html";
  }
  return line;
}

void format_from_name(const fs::path& output, OutputFormat& format) {
  const mirtabel::OutputFormatNames* names =
      mirtabel::output_format_of_extension(lowercase_extension(output));
  if (names != nullptr) format = names->format;
}

std::string options_help(std::size_t width) {
  constexpr std::size_t kColumn = 26;
  std::string help;
  for (const Option& o : kOptions) {
    std::string names = o.short_name != 0 ? std::string("  -") + o.short_name + ", " : "      ";
    names += std::string("--") + o.long_name;
    if (o.value_name != nullptr) names += std::string("=") + o.value_name;
    names.append(names.size() < kColumn ? kColumn - names.size() : 1, ' ');
    help += filled(o.help, names, std::string(kColumn, ' '), width);
  }
  return help;
}
