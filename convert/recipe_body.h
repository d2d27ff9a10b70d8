// The text of the recipe being built: line texts and page marks, appended at the end.
#ifndef MIRTABEL_CONVERT_RECIPE_BODY_H
#define MIRTABEL_CONVERT_RECIPE_BODY_H

#include <cstddef>
#include <cstring>

namespace mirtabel {

class RecipeBody {
 public:
  // A recipe whose body grows past this many characters is abandoned.
  static constexpr std::size_t kLimitChars = 9500;
  static constexpr std::size_t kStoreChars = 10000;

  void clear() noexcept { size_ = chars_ = 0; }

  // Appends `size` bytes of UTF-8 that hold `chars` characters. What does not fit in the store
  // is not kept; it can only arrive once the body is past the limit, so it is never written.
  void append(const unsigned char* bytes, std::size_t size, std::size_t chars) noexcept {
    chars_ += chars;
    if (size_ <= sizeof bytes_ && size <= sizeof bytes_ - size_)
      std::memcpy(bytes_ + size_, bytes, size);
    size_ += size;
  }

  bool is_over_limit() const noexcept { return chars_ > kLimitChars || size_ > sizeof bytes_; }

  const unsigned char* data() const noexcept { return bytes_; }
  std::size_t size() const noexcept { return size_; }

 private:
  unsigned char bytes_[kStoreChars * 4];
  std::size_t size_ = 0;
  std::size_t chars_ = 0;
};

}  // namespace mirtabel

#endif
