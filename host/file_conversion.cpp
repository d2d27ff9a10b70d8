#include "host/file_conversion.h"

#include <new>

#include "convert/conversion_observer.h"
#include "convert/convert_files.h"
#include "host/argument_path.h"

namespace {

class DroppedRecipes final : public mirtabel::ConversionObserver {
 public:
  DroppedRecipes(FileOutcome& outcome, bool keep_titles)
      : outcome_(outcome), keep_titles_(keep_titles) {}

  void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
    ++outcome_.dropped;
    if (!keep_titles_) return;
    const unsigned char* title_field = recipe.title_field;
    std::size_t size = recipe.title_size;
    while (size > 0 && title_field[size - 1] == ' ')
      --size;
    try {
      outcome_.dropped_titles.emplace_back(reinterpret_cast<const char*>(title_field), size);
    } catch (const std::bad_alloc&) {
      // The count still tells; only this title goes unshown.
    }
  }

 private:
  FileOutcome& outcome_;
  bool keep_titles_;
};

}  // namespace

FileOutcome convert_file(const std::filesystem::path& input, const std::filesystem::path& output,
                         bool keep_titles) {
  FileOutcome outcome;
  DroppedRecipes dropped(outcome, keep_titles);
  mirtabel::ConversionOptions options;
  options.observer = &dropped;
  const mirtabel::ConversionResult result =
      mirtabel::convert_files(library_path(input).c_str(), library_path(output).c_str(), options);
  outcome.records = result.records;
  outcome.error = result.error;
  outcome.output_failed = result.failed_file == mirtabel::FailedFile::kOutput;
  outcome.bytes_read = result.bytes_read;
  outcome.bytes_written = result.bytes_written;
  return outcome;
}
