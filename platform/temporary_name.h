// Names for temporary files: the output's own name, hidden, with a random ending that the file's
// exclusive creation retries until it is new.
#ifndef MIRTABEL_PLATFORM_TEMPORARY_NAME_H
#define MIRTABEL_PLATFORM_TEMPORARY_NAME_H

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace mirtabel {

// Characters that the random ending adds to a name: a dot, then six letters or digits.
inline constexpr std::size_t kTemporaryEnding = 7;

// Writes "." and six letters or digits to `out`, different for every attempt, thread and moment.
template <typename Char>
void random_ending(Char* out, unsigned attempt) noexcept {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uint64_t x = static_cast<std::uint64_t>(
                        std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
                    (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&x)) << 16) ^
                    (attempt * 0x9E3779B97F4A7C15u);
  // splitmix64's finaliser spreads every input bit over the result.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  x ^= x >> 31;
  out[0] = Char('.');
  for (std::size_t i = 1; i < kTemporaryEnding; ++i) {
    out[i] = Char(kAlphabet[x % 62]);
    x /= 62;
  }
}

}  // namespace mirtabel

#endif
