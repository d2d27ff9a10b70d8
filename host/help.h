// The usage lines and the full help of mxpconvert.
#ifndef MIRTABEL_HOST_HELP_H
#define MIRTABEL_HOST_HELP_H

#include <cstddef>
#include <string>

// The help fits a terminal of 80 columns: its lines are at most this long.
inline constexpr std::size_t kHelpWidth = 79;

// The synopsis and where to find more, for a wrong command line.
std::string usage_text();

std::string help_text();

// `text`, one paragraph of words between single spaces, filled into lines of at most `width`
// columns: each line takes as many words as fit, the first behind `first`, the others behind
// `rest`. A word longer than a line stands alone on its own. A '~' joins two words that belong
// on one line ("-d~DIR"), and is shown as a space. Every line ends in a line feed.
std::string filled(const std::string& text, const std::string& first, const std::string& rest,
                   std::size_t width);

#endif
