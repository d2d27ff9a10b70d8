// Signs that an input is not MXP text at all, which the conversion itself does not judge: it
// turns any bytes into records. mxpconvert warns about them.
#ifndef MIRTABEL_FILE_CONVERSION_INPUT_CHECK_H
#define MIRTABEL_FILE_CONVERSION_INPUT_CHECK_H

#include <cstddef>
#include <cstdint>

#include "platform/input_encoding.h"

enum class InputDoubt {
  kNone,
  kEmpty,
  kUtf16WithoutMark,   // every other byte is zero, as in UTF-16 text of Latin letters
  kFirstLineEmpty,     // the marker line would be empty, and so match every line
  kControlCharacters,  // in the first line: a binary file, or text in another encoding
  kNoRecipe,           // not one marker line besides the first
  kNoLayout,  // the first recipe has neither a "Title:" line nor a rule of hyphens under its header
};

// How much of an input's start the doubts are judged from.
inline constexpr std::size_t kInputStartBytes = 32 * 1024;

// The first doubt that applies, judged from the input's first `size` bytes (its start, or all
// of it), how many bytes it has in all, and how many recipes the conversion found in it. The
// bytes are decoded as the conversion decodes them, with `encoding` where there is no
// byte-order mark. The first recipe must lie within the first kInputStartBytes bytes, as that
// of any MXP file does; bytes beyond them are not looked at.
InputDoubt doubt_about(const unsigned char* first_bytes, std::size_t size, std::uint64_t total,
                       std::size_t recipes, mirtabel::InputEncoding encoding);

// Why, in words that need no knowledge of encodings or of the format: "it is empty".
const char* doubt_reason(InputDoubt doubt);

#endif
