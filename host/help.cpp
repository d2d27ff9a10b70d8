#include "host/help.h"

#include "host/command_line.h"

namespace {

constexpr char kSynopsis[] =
    "usage: mxpconvert [OPTION]... [INPUT [OUTPUT]]\n"
    "       mxpconvert [OPTION]... -d DIR INPUT...\n";

}  // namespace

std::string usage_text() {
  return std::string(kSynopsis) + "Try 'mxpconvert --help' for more.\n";
}

std::string help_text() {
  return std::string(kSynopsis) +
         "\n"
         "Converts MXP recipe export files into flat text with one line per recipe: a\n"
         "100-character title field, then the recipe's text, in which line breaks became\n"
         "\"[PAGE]\". With --format json it writes JSON Lines instead: one schema.org\n"
         "Recipe object per recipe, its fields read from the recipe's text; with\n"
         "--format html one HTML cookbook to read and print, each recipe's object in it.\n"
         "\n"
         "The first form converts INPUT, or the standard input when INPUT is '-' or\n"
         "missing, into OUTPUT, the file -o names, or the standard output. The second\n"
         "form converts every INPUT into the directory DIR, naming each output after its\n"
         "input with the extension .txt (recipes.mxp becomes DIR/recipes.txt), or\n"
         ".jsonl with --format json, or .html with --format html.\n"
         "\n"
         "An output file is written under a temporary name beside it and takes its own\n"
         "name only when complete: a failure or an interruption leaves the file that had\n"
         "the name as it was. It must not be its input. Recipes whose text is longer\n"
         "than 9,500 characters are left out of the records, and their text, as it\n"
         "stood, goes to a\n"
         "side file named after the output with the extension .left-out.mxp (after the\n"
         "input, in the current directory, when the output is not a file), to be\n"
         "converted again once shortened. Every message goes to standard error.\n"
         "\n"
         "options:\n" +
         options_help() +
         "  --                      end of options: the arguments after it are file names\n"
         "\n"
         "exit status: 0 when every file was converted, 1 when any could not be\n"
         "(standard error names each such file and the reason), 2 for wrong usage\n"
         "(nothing is converted then), 3 with --strict when recipes were left out or\n"
         "written cut (JSON, HTML) or an input does not look like MXP.\n"
         "\n"
         "Unlike iconv and pandoc, which join several inputs into one output, mxpconvert\n"
         "converts one input at a time unless -d names a directory, and takes a second\n"
         "operand as the output file. Unlike gzip, -q keeps warnings: a recipe left out\n"
         "is never dropped unnoticed.\n"
         "\n"
         "examples:\n"
         "  mxpconvert recipes.mxp -o recipes.txt\n"
         "  mxpconvert -f cp437 < old.mxp > old.txt\n"
         "  mxpconvert --format json recipes.mxp -o recipes.jsonl\n"
         "  mxpconvert --format html recipes.mxp -o recipes.html\n"
         "  mxpconvert -v -d converted archive/*.mxp\n";
}
