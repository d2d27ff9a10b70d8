#include "host/left_out.h"

#include <cerrno>
#include <new>

#include "exports/left_out_side_file.h"

void LeftOutRecipes::recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept {
  if (recipe.reason == mirtabel::LeftOutReason::kTooLong) ++count_;
  try {
    places_.push_back(recipe.place);
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

int LeftOutRecipes::write(mirtabel::RandomAccessFile& input, const wchar_t* path,
                          const mirtabel::InputFile& source,
                          const mirtabel::OutputOptions& options) const {
  if (lost_) return ENOMEM;
  std::vector<unsigned char> buffer(64 * 1024);
  mirtabel::LeftOutSideFile side_file(buffer.data(), buffer.size());
  if (int error = side_file.create(path, source, options)) return error;
  side_file.read_from(input);
  for (const mirtabel::RecipePlace& place : places_)
    side_file.add(place);
  return side_file.commit();
}
