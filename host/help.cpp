#include "host/help.h"

#include <iterator>

#include "host/command_line.h"

namespace {

constexpr char kSynopsis[] =
    "usage: mxpconvert [OPTION]... [INPUT [OUTPUT]]\n"
    "       mxpconvert [OPTION]... -d DIR INPUT...\n";

// The prose of the help before the options and after them, a paragraph each.
constexpr const char* kAbout[] = {
    "Converts MXP recipe export files into flat text with one line per recipe: a 100-character "
    "title field, then the recipe's text, in which line breaks became \"[PAGE]\". With "
    "--format~json it writes JSON Lines instead: one schema.org Recipe object per recipe, its "
    "fields read from the recipe's text. An HTML cookbook to read and print, each recipe's "
    "object in it, is what --format~html writes.",
    "The first form converts INPUT, or the standard input when INPUT is '-' or missing, into "
    "OUTPUT, the file -o names, or the standard output. The second form converts every INPUT "
    "into the directory DIR, naming each output after its input with the extension .txt "
    "(recipes.mxp becomes DIR/recipes.txt), .jsonl with --format~json or .html with "
    "--format~html. With no INPUT and a "
    "terminal as the standard input, it shows the usage and exits.",
    "An output file is written under a temporary name beside it and takes its own name only "
    "when complete: a failure or an interruption leaves the file that had the name as it was. "
    "It must not be its input. An OUTPUT that holds MXP recipes, as when a shell pattern such "
    "as *.mxp names two archives, is not replaced: -d~DIR converts several files, and -o~FILE "
    "or --force replaces it.",
    "Recipes whose text is longer than 9,500 characters are left out of the records. Their "
    "text, as it stood, goes to a side file named after the output, out.left-out.mxp for "
    "out.txt (out.jsonl.left-out.mxp and out.html.left-out.mxp for JSON Lines and HTML), or to "
    "the file --left-out names, to be converted again once shortened. An "
    "output that is not a file (the standard output, a device) has a side file only with "
    "--left-out; the warning names the recipes left out. A run that leaves nothing out removes "
    "the side file of an earlier one at that name. Every message goes to standard error.",
};

constexpr const char* kAfterOptions[] = {
    "exit status: 0 when every file was converted, 1 when any could not be (standard error "
    "names each such file and the reason), 2 for wrong usage (nothing is converted then), 3 "
    "with --strict when recipes were left out, or written cut or longer than a record (JSON, "
    "HTML), or a warning was given about an input.",
    "Warnings about an input come before the line that says what was written. When its first "
    "line does not seem to mark its recipes (blank, of spaces only, or found once), or exports "
    "were joined into it, they name the line that seems to open the recipes: --marker=auto "
    "frames them from it.",
    "Unlike iconv and pandoc, which join several inputs into one output, mxpconvert converts "
    "one input at a time unless -d names a directory, and takes a second operand as the output "
    "file. Unlike gzip, -q keeps warnings: a recipe left out is never dropped unnoticed.",
};

std::string paragraphs(const char* const* begin, const char* const* end) {
  std::string text;
  for (const char* const* paragraph = begin; paragraph != end; ++paragraph)
    text += filled(*paragraph, "", "", kHelpWidth) + "\n";
  return text;
}

}  // namespace

std::string filled(const std::string& text, const std::string& first, const std::string& rest,
                   std::size_t width) {
  std::string lines;
  std::string line = first;
  bool empty = true;  // no word on the line yet
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(at, end - at);
    at = end + 1;
    if (!empty && line.size() + 1 + word.size() > width) {
      lines += line + "\n";
      line = rest;
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
  }
  lines += line + "\n";
  for (char& c : lines)
    c = c == '~' ? ' ' : c;
  return lines;
}

std::string usage_text() {
  return std::string(kSynopsis) + "Try 'mxpconvert --help' for more.\n";
}

std::string help_text() {
  return std::string(kSynopsis) + "\n" + paragraphs(std::begin(kAbout), std::end(kAbout)) +
         "options:\n" + options_help(kHelpWidth) +
         "  --                      end of options: the arguments after it are file names\n"
         "\n" +
         paragraphs(std::begin(kAfterOptions), std::end(kAfterOptions)) +
         "examples:\n"
         "  mxpconvert recipes.mxp -o recipes.txt\n"
         "  mxpconvert -f cp437 < old.mxp > old.txt\n"
         "  mxpconvert recipes.mxp recipes.jsonl\n"
         "  mxpconvert recipes.mxp recipes.html\n"
         "  mxpconvert -v -d converted archive/*.mxp\n";
}
