#include "host/file_conversion.h"

#include <cerrno>
#include <string>
#include <vector>

#include "host/argument_path.h"

namespace {

// Keeps the titles of the recipes left out or written cut, without the field's padding.
class TitleKeeper final : public mirtabel::ConversionObserver {
 public:
  explicit TitleKeeper(std::vector<std::string>& titles) : titles_(titles) {}

  void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
    std::size_t size = recipe.title_size;
    while (size > 0 && recipe.title_field[size - 1] == ' ')
      --size;
    try {
      titles_.emplace_back(reinterpret_cast<const char*>(recipe.title_field), size);
    } catch (const std::bad_alloc&) {
      // A title that cannot be kept is not shown.
    }
  }

 private:
  std::vector<std::string>& titles_;
};

// The cookbook's title: the input's name without its extension.
std::string cookbook_title(const FileJob& job) {
  return is_standard_stream(job.input) ? std::string() : display_name(job.input.stem());
}

// A side file left by an earlier run would pass for this one's: it goes, unless -n keeps it.
// The input may be such a file, shortened and converted again: it stays.
void remove_stale_side_file(const FileJob& job, const std::filesystem::path& stale, bool no_clobber,
                            FileOutcome& outcome) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(stale, error);
  const bool is_input =
      !is_standard_stream(job.input) && std::filesystem::equivalent(stale, job.input, error);
  if (!std::filesystem::exists(status) || std::filesystem::is_directory(status) || is_input) return;
  outcome.left_out_file = stale;
  if (no_clobber) {
    outcome.side_file_error = EEXIST;
  } else if (!std::filesystem::remove(stale, error)) {
    outcome.side_file_error = error ? error.default_error_condition().value() : ENOENT;
  }
}

}  // namespace

bool is_standard_stream(const std::filesystem::path& path) {
  return path.native().size() == 1 && path.native()[0] == '-';
}

std::filesystem::path left_out_name(const FileJob& job, OutputFormat format, bool output_in_place) {
  if (output_in_place) return {};
  std::filesystem::path name = job.output;
  if (mirtabel::output_format_names(format).side_file_replaces_extension)
    return name.replace_extension(mirtabel::kSideFileExtension);
  return name += mirtabel::kSideFileExtension;
}

FileOutcome convert_file(const FileJob& job, const ConversionSettings& settings,
                         std::atomic<std::uint64_t>* bytes_read, mirtabel::TemporaryFileNote* notes,
                         std::atomic<std::uint64_t>* bytes_read_again) {
  FileOutcome outcome;
  // Without a side file the warning names the recipes left out; the file the tool names itself
  // is made only beside an output file.
  const std::filesystem::path side_file =
      settings.left_out.empty() ? left_out_name(job, settings.format, false) : settings.left_out;
  TitleKeeper titles(outcome.dropped_titles);
  mirtabel::FileConversionJob core;
  if (!is_standard_stream(job.input)) core.input_path = job.input.c_str();
  if (!is_standard_stream(job.output)) core.output_path = job.output.c_str();
  core.side_path = side_file.c_str();
  core.side_file_beside_output = settings.left_out.empty();
  core.format = settings.format;
  core.encoding = settings.encoding;
  core.marker = settings.marker ? settings.marker->c_str() : nullptr;
  const std::string title = settings.title ? *settings.title : cookbook_title(job);
  core.title = title;
  core.force = settings.force;
  core.hooks = {bytes_read, bytes_read_again, notes, settings.no_clobber, &titles, false, true};
  mirtabel::FileConversion conversion;
  static_cast<mirtabel::FileOutcome&>(outcome) = conversion.run(core);
  if (outcome.failed != FailedPart::kNone) return outcome;

  if (const mirtabel::InputChecks* checks = conversion.warnings()) {
    for (std::size_t i = 0; i < checks->warning_count; ++i)
      outcome.warnings.emplace_back(checks->warnings[i].text);
  }
  if (settings.format != OutputFormat::kRecords)
    outcome.too_long = outcome.conversion.past_body_limit;
  if (outcome.side_file_in_use && !settings.keep_titles) outcome.dropped_titles.clear();
  if (outcome.side_file_in_use && (outcome.left_out > 0 || outcome.cut > 0)) {
    outcome.left_out_file = side_file;
  } else if (outcome.side_file_in_use && settings.left_out.empty()) {
    // A side file that --left-out names is the user's to keep.
    remove_stale_side_file(job, side_file, settings.no_clobber, outcome);
  }
  return outcome;
}
