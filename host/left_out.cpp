#include "host/left_out.h"

#include <cerrno>
#include <new>

namespace {

// Copies the input's bytes [begin, end) to `output`.
int copy_range(mirtabel::RandomAccessFile& input, std::uint64_t begin, std::uint64_t end,
               mirtabel::ByteSink& output, std::vector<unsigned char>& buffer) {
  while (begin < end) {
    const std::uint64_t left = end - begin;
    const mirtabel::ReadResult read =
        input.read_at(begin, buffer.data(),
                      left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size());
    if (read.error != 0) return read.error;
    // The input is shorter than when it was converted: it changed meanwhile.
    if (read.size == 0) return EIO;
    if (int error = output.write(buffer.data(), read.size)) return error;
    begin += read.size;
  }
  return 0;
}

}  // namespace

void LeftOutRecipes::recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept {
  ++count_;
  first_line_end_ = recipe.first_line_end;
  try {
    ranges_.push_back({recipe.begin, recipe.end});
    if (keep_titles_) {
      std::size_t size = recipe.title_size;
      while (size > 0 && recipe.title_field[size - 1] == ' ')
        --size;
      titles_.emplace_back(reinterpret_cast<const char*>(recipe.title_field), size);
    }
  } catch (const std::bad_alloc&) {
    lost_ = true;
  }
}

int LeftOutRecipes::write(mirtabel::RandomAccessFile& input, std::size_t mark_size,
                          const wchar_t* path, const mirtabel::InputFile& source,
                          const mirtabel::OutputOptions& options) const {
  if (lost_) return ENOMEM;
  mirtabel::OutputFile output;
  if (int error = output.create(path, source, options)) return error;
  std::vector<unsigned char> buffer(64 * 1024);
  int error = copy_range(input, 0, first_line_end_, output, buffer);
  for (std::size_t i = 0; i < ranges_.size() && error == 0; ++i) {
    if (i > 0) error = copy_range(input, mark_size, first_line_end_, output, buffer);
    if (error == 0) error = copy_range(input, ranges_[i].begin, ranges_[i].end, output, buffer);
  }
  return error != 0 ? error : output.commit();
}
