// The byte-order mark that may open a text: which encoding it announces and how many bytes it
// takes. The reader, the checks of an input and the side file of recipes left out all read the
// mark here, so that they agree on it.
#ifndef MIRTABEL_PLATFORM_BYTE_ORDER_MARK_H
#define MIRTABEL_PLATFORM_BYTE_ORDER_MARK_H

#include <cstddef>

namespace mirtabel {

enum class MarkedEncoding { kNone, kUtf8, kUtf16LE, kUtf16BE };

struct ByteOrderMark {
  MarkedEncoding encoding;
  std::size_t size;  // 0 without a mark
};

// The mark at the start of the `size` bytes at `bytes`: EF BB BF, FF FE or FE FF.
constexpr ByteOrderMark byte_order_mark(const unsigned char* bytes, std::size_t size) noexcept {
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return {MarkedEncoding::kUtf8, 3};
  }
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return {MarkedEncoding::kUtf16LE, 2};
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return {MarkedEncoding::kUtf16BE, 2};
  return {MarkedEncoding::kNone, 0};
}

}  // namespace mirtabel

#endif
