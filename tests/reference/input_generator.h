// Seeded, deterministic MXP inputs for the comparison with the reference converter. Each seed
// gives one input: recipes of either layout, or a soup of the format's tokens, in any encoding
// and with any line ends, with invalid bytes, unpaired surrogates and odd endings strewn in, and
// with lines, titles and bodies built to reach the length limits exactly.
#ifndef MIRTABEL_TESTS_REFERENCE_INPUT_GENERATOR_H
#define MIRTABEL_TESTS_REFERENCE_INPUT_GENERATOR_H

#include <cstdint>
#include <string>

namespace mirtabel::reference {

struct GeneratedInput {
  std::string bytes;
  std::string description;  // how it was made, for failure messages
};

GeneratedInput generate_input(std::uint32_t seed);

}  // namespace mirtabel::reference

#endif
