// Finding a byte string within another in time linear in their lengths, with no extra memory:
// the marker test looks for a needle of up to TextLine::kMaxBytes bytes, where a plain search
// would compare up to size × size bytes on lines that almost hold it.
#ifndef MIRTABEL_CONVERT_SUBSTRING_SEARCH_H
#define MIRTABEL_CONVERT_SUBSTRING_SEARCH_H

#include <cstddef>
#include <cstring>

namespace mirtabel {
namespace substring_detail {

// The start of the maximal suffix of `needle` (`size` > 0 bytes) in the byte order, or in the
// reverse order when `reverse`, less one (so -1 means the whole needle), and that suffix's period
// in `period`.
inline std::ptrdiff_t maximal_suffix(const unsigned char* needle, std::ptrdiff_t size, bool reverse,
                                     std::ptrdiff_t& period) noexcept {
  std::ptrdiff_t start = -1;  // of the best suffix so far, less one
  std::ptrdiff_t at = 0;      // of the suffix being compared with it, less one
  std::ptrdiff_t offset = 1;
  period = 1;
  while (at + offset < size) {
    const unsigned char a = needle[at + offset];
    const unsigned char b = needle[start + offset];
    if (reverse ? a > b : a < b) {
      at += offset;
      offset = 1;
      period = at - start;
    } else if (a == b) {
      if (offset != period) {
        ++offset;
      } else {
        at += period;
        offset = 1;
      }
    } else {
      start = at;
      at = start + 1;
      offset = period = 1;
    }
  }
  return start;
}

}  // namespace substring_detail

// The first occurrence of `needle` in `haystack`, or nullptr: the Two-Way algorithm (Crochemore
// and Perrin), which splits the needle at a critical position, matches its right part from left
// to right and its left part from right to left, and never compares more than 2 × haystack_size
// bytes.
inline const unsigned char* find_two_way(const unsigned char* haystack, std::size_t haystack_size,
                                         const unsigned char* needle,
                                         std::size_t needle_size) noexcept {
  using substring_detail::maximal_suffix;
  if (needle_size == 0) return haystack;
  if (needle_size > haystack_size) return nullptr;
  const auto m = static_cast<std::ptrdiff_t>(needle_size);
  const auto n = static_cast<std::ptrdiff_t>(haystack_size);
  // The critical position is `split` + 1: the later of the two maximal suffixes.
  std::ptrdiff_t period, reverse_period;
  std::ptrdiff_t split = maximal_suffix(needle, m, false, period);
  const std::ptrdiff_t reverse_split = maximal_suffix(needle, m, true, reverse_period);
  if (reverse_split > split) {
    split = reverse_split;
    period = reverse_period;
  }
  if (std::memcmp(needle, needle + period, static_cast<std::size_t>(split + 1)) == 0) {
    // The needle is periodic: after a match, or a mismatch in its left part, the next
    // `m - period` bytes are known to match and are not compared again.
    std::ptrdiff_t known = -1;  // needle[0..known] matches at the current shift
    for (std::ptrdiff_t shift = 0; shift <= n - m;) {
      std::ptrdiff_t i = (split > known ? split : known) + 1;
      while (i < m && needle[i] == haystack[i + shift])
        ++i;
      if (i < m) {
        shift += i - split;
        known = -1;
        continue;
      }
      i = split;
      while (i > known && needle[i] == haystack[i + shift])
        --i;
      if (i <= known) return haystack + shift;
      shift += period;
      known = m - period - 1;
    }
    return nullptr;
  }
  // Not periodic: a mismatch in the left part moves the needle past the larger part.
  const std::ptrdiff_t step = (split + 1 > m - split - 1 ? split + 1 : m - split - 1) + 1;
  for (std::ptrdiff_t shift = 0; shift <= n - m;) {
    std::ptrdiff_t i = split + 1;
    while (i < m && needle[i] == haystack[i + shift])
      ++i;
    if (i < m) {
      shift += i - split;
      continue;
    }
    i = split;
    while (i >= 0 && needle[i] == haystack[i + shift])
      --i;
    if (i < 0) return haystack + shift;
    shift += step;
  }
  return nullptr;
}

// Whether `haystack` holds `needle`. The C library's memmem is Two-Way too in glibc, with a faster
// start; elsewhere (Windows has none, and some others compare byte by byte) find_two_way runs.
inline bool contains_bytes(const unsigned char* haystack, std::size_t haystack_size,
                           const unsigned char* needle, std::size_t needle_size) noexcept {
  if (needle_size > haystack_size) return false;
#if defined(__GLIBC__)
  return ::memmem(haystack, haystack_size, needle, needle_size) != nullptr;
#else
  return find_two_way(haystack, haystack_size, needle, needle_size) != nullptr;
#endif
}

}  // namespace mirtabel

#endif
