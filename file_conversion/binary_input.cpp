#include "file_conversion/binary_input.h"

#include <cerrno>
#include <cstring>

#include "platform/byte_order_mark.h"

namespace mirtabel {
namespace {

struct Signature {
  const char* bytes;
  std::size_t size;
  const char* kind;
};

constexpr Signature kSignatures[] = {
    {"%PDF-", 5, "a PDF document"},
    {"\x89PNG\r\n\x1A\n", 8, "a PNG image"},
    {"\xFF\xD8\xFF", 3, "a JPEG image"},
    {"PK\x03\x04", 4, "a ZIP archive"},
    {"PK\x05\x06", 4, "a ZIP archive"},  // an empty one
    {"\x1F\x8B", 2, "a gzip-compressed file"},
};

// Text in UTF-16 has NUL bytes: with a byte-order mark, or, without one, as the high byte of
// every Latin letter, in every other place of its start.
bool is_utf16_text(const unsigned char* start, std::size_t size) noexcept {
  const MarkedEncoding mark = byte_order_mark(start, size).encoding;
  if (mark == MarkedEncoding::kUtf16LE || mark == MarkedEncoding::kUtf16BE) return true;
  if (size < 4) return false;
  for (std::size_t zeros = 0; zeros < 2; ++zeros) {
    bool alternate = true;
    for (std::size_t i = 0; i < size && alternate; ++i)
      alternate = (start[i] == 0) == (i % 2 == zeros);
    if (alternate) return true;
  }
  return false;
}

}  // namespace

const char* binary_signature(const unsigned char* bytes, std::size_t size) noexcept {
  for (const Signature& signature : kSignatures) {
    if (size >= signature.size && std::memcmp(bytes, signature.bytes, signature.size) == 0)
      return signature.kind;
  }
  return nullptr;
}

void BinaryCheck::look_at(const unsigned char* bytes, std::size_t size) noexcept {
  const std::size_t kept = size < sizeof start_ - start_size_ ? size : sizeof start_ - start_size_;
  std::memcpy(start_ + start_size_, bytes, kept);
  start_size_ += kept;
  const std::uint64_t left = kBinaryCheckBytes - looked_at_;
  const std::size_t judged = left < size ? static_cast<std::size_t>(left) : size;
  nul_ = nul_ || std::memchr(bytes, 0, judged) != nullptr;
  looked_at_ += judged;
}

// Once the start's signature can be read, or the input has ended.
void BinaryCheck::judge(bool ended) noexcept {
  if (start_size_ < sizeof start_ && !ended) return;
  refused_as_ = binary_signature(start_, start_size_);
  if (refused_as_ == nullptr && nul_ && !is_utf16_text(start_, start_size_))
    refused_as_ = "a binary file with NUL bytes";
}

ReadResult BinaryCheck::read(unsigned char* buffer, std::size_t capacity) noexcept {
  if (refused_as_ != nullptr) return {0, EILSEQ};
  if (regular_ != nullptr && !judged_whole_) {
    // The buffer is the caller's to fill: it holds the start on the way. A failed read is left
    // for the conversion's own reading to meet.
    judged_whole_ = true;
    while (looked_at_ < kBinaryCheckBytes) {
      const ReadResult start = regular_->read_at(looked_at_, buffer, capacity);
      if (start.error != 0 || start.size == 0) break;
      look_at(buffer, start.size);
    }
    judge(true);
    if (refused_as_ != nullptr) return {0, EILSEQ};
  }
  const ReadResult result = input_.read(buffer, capacity);
  if (judged_whole_ || result.error != 0 || looked_at_ >= kBinaryCheckBytes) return result;
  look_at(buffer, result.size);
  judge(result.size == 0);
  return refused_as_ != nullptr ? ReadResult{0, EILSEQ} : result;
}

}  // namespace mirtabel
