#include "host/file_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "convert/convert_mxp.h"
#include "host/argument_path.h"
#include "host/left_out.h"
#include "platform/byte_order_mark.h"
#include "platform/file.h"
#include "recipes/convert_mxp_to_html.h"
#include "recipes/convert_mxp_to_json.h"

namespace {

// Enough of the input's start to hold its first recipe, for the checks of the input.
constexpr std::size_t kFirstBytes = kInputStartBytes;

// The input as the conversion reads it, watched on the way: its first bytes are kept for the
// checks of the input, the bytes read are counted for the progress line, and an input that
// cannot be read twice (a pipe) is copied into a scratch file for the text of the recipes left
// out, when there is a side file to write it to, and for the cookbook's second reading.
class InputTap final : public mirtabel::ByteSource {
 public:
  InputTap(mirtabel::InputFile& input, std::atomic<std::uint64_t>* counter, bool keep_copy)
      : input_(input), counter_(counter), copying_(keep_copy && !input.is_regular()) {
    if (copying_) copy_error_ = copy_.create();
  }

  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const mirtabel::ReadResult result = input_.read(buffer, capacity);
    if (result.size == 0) return result;
    const std::size_t kept = std::min(result.size, kFirstBytes - first_size_);
    std::memcpy(first_ + first_size_, buffer, kept);
    first_size_ += kept;
    if (counter_ != nullptr) counter_->fetch_add(result.size, std::memory_order_relaxed);
    if (copying_ && copy_error_ == 0) copy_error_ = copy_.write(buffer, result.size);
    return result;
  }

  const unsigned char* first_bytes() const { return first_; }
  std::size_t first_size() const { return first_size_; }

  // Where the input's bytes can be read again, or why they cannot.
  int rereadable(mirtabel::RandomAccessFile*& bytes) {
    bytes = input_.is_regular() ? static_cast<mirtabel::RandomAccessFile*>(&input_) : &copy_;
    return input_.is_regular() ? 0 : copy_error_;
  }

  // The length of the byte-order mark at the input's start.
  std::size_t mark_size() const { return mirtabel::byte_order_mark(first_, first_size_).size; }

 private:
  mirtabel::InputFile& input_;
  std::atomic<std::uint64_t>* counter_;
  bool copying_;
  mirtabel::ScratchFile copy_;
  int copy_error_ = 0;
  std::size_t first_size_ = 0;
  unsigned char first_[kFirstBytes];
};

// The input's bytes read again: ranges of it in turn, each up to its end or the input's.
class RereadSource final : public mirtabel::ByteSource {
 public:
  struct Range {
    std::uint64_t begin;
    std::uint64_t end;
  };

  RereadSource(mirtabel::RandomAccessFile& bytes, std::initializer_list<Range> ranges)
      : bytes_(bytes) {
    for (const Range& range : ranges)
      ranges_[count_++] = range;
  }

  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    for (; current_ < count_; ++current_) {
      Range& range = ranges_[current_];
      const std::uint64_t left = range.end - range.begin;
      if (left == 0) continue;
      const mirtabel::ReadResult result = bytes_.read_at(
          range.begin, buffer, left < capacity ? static_cast<std::size_t>(left) : capacity);
      if (result.error != 0) return result;
      if (result.size == 0) continue;
      range.begin += result.size;
      return result;
    }
    return {0, 0};
  }

 private:
  mirtabel::RandomAccessFile& bytes_;
  Range ranges_[2] = {};
  std::size_t count_ = 0;
  std::size_t current_ = 0;
};

// The input read again from its start, for the cookbook's second reading: the file itself, or
// the copy the tap made of a pipe, which is whole only once the first reading has ended.
class InputAgain final : public mirtabel::ByteSource {
 public:
  explicit InputAgain(InputTap& tap) : tap_(tap) {}

  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    mirtabel::RandomAccessFile* bytes = nullptr;
    const int error = tap_.rereadable(bytes);
    if (error != 0) return {0, error};
    const mirtabel::ReadResult result = bytes->read_at(offset_, buffer, capacity);
    offset_ += result.size;
    return result;
  }

 private:
  InputTap& tap_;
  std::uint64_t offset_ = 0;
};

// The cookbook's title: the input's name without its extension.
std::string cookbook_title(const FileJob& job) {
  return is_standard_stream(job.input) ? std::string() : display_name(job.input.stem());
}

class NullSink final : public mirtabel::ByteSink {
 public:
  int write(const unsigned char*, std::size_t) noexcept override { return 0; }
};

// The recipes the JSON export wrote cut, found again so that their text goes whole into the side
// file. The export does not know where a recipe stands in the input, but the records' framing,
// which is the same, does, and leaves every such recipe out for its length (more than 16,384
// fields or 1 MiB of text is far more than 9,500 characters). So the input is framed again as
// records, and each recipe left out there that the export cuts on its own is passed to `cut`.
// Returns 0, or an errno value.
int find_cut_recipes(mirtabel::RandomAccessFile& bytes, mirtabel::InputEncoding encoding,
                     const mirtabel::StructuredRecipeStores& stores, LeftOutRecipes& cut) {
  struct Recipe {
    std::string title_field;
    mirtabel::LeftOutRecipe place;
  };
  struct Collect final : mirtabel::ConversionObserver {
    std::vector<Recipe> recipes;
    bool lost = false;
    void recipe_left_out(const mirtabel::LeftOutRecipe& recipe) noexcept override {
      try {
        recipes.push_back(
            {std::string(reinterpret_cast<const char*>(recipe.title_field), recipe.title_size),
             recipe});
      } catch (const std::bad_alloc&) {
        lost = true;
      }
    }
  } left_out;
  mirtabel::ConversionOptions options;
  options.encoding = encoding;
  options.observer = &left_out;
  RereadSource input(bytes, {{0, UINT64_MAX}});
  NullSink nowhere;
  const int error = mirtabel::convert_mxp(input, nowhere, options).error;
  if (error != 0) return error;
  if (left_out.lost) return ENOMEM;
  options.observer = nullptr;
  for (Recipe& recipe : left_out.recipes) {
    mirtabel::LeftOutRecipe& place = recipe.place;
    RereadSource alone(bytes, {{0, place.first_line_end}, {place.begin, place.end}});
    const mirtabel::JsonExportResult exported =
        mirtabel::convert_mxp_to_json(alone, nowhere, options, stores);
    if (exported.conversion.error != 0) return exported.conversion.error;
    if (exported.cut_recipes == 0) continue;
    place.title_field = reinterpret_cast<const unsigned char*>(recipe.title_field.data());
    cut.recipe_left_out(place);
  }
  return 0;
}

}  // namespace

const char* output_extension(OutputFormat format) {
  return format == OutputFormat::kJson   ? ".jsonl"
         : format == OutputFormat::kHtml ? ".html"
                                         : ".txt";
}

bool is_standard_stream(const std::filesystem::path& path) {
  return path.native().size() == 1 && path.native()[0] == '-';
}

std::filesystem::path left_out_name(const FileJob& job, bool output_in_place) {
  if (output_in_place) return {};
  std::filesystem::path name = job.output;
  return name.replace_extension(".left-out.mxp");
}

FileOutcome convert_file(const FileJob& job, const ConversionSettings& settings,
                         std::atomic<std::uint64_t>* bytes_read,
                         mirtabel::TemporaryFileNote* note) {
  FileOutcome outcome;
  mirtabel::InputFile input;
  outcome.error = is_standard_stream(job.input) ? input.use_standard_input()
                                                : input.open(library_path(job.input).c_str());
  if (outcome.error != 0) {
    outcome.failed = FailedPart::kInput;
    return outcome;
  }
  const mirtabel::OutputOptions output_options{settings.no_clobber, note};
  mirtabel::OutputFile output;
  outcome.error = is_standard_stream(job.output)
                      ? output.use_standard_output(input)
                      : output.create(library_path(job.output).c_str(), input, output_options);
  if (outcome.error != 0) {
    outcome.failed = FailedPart::kOutput;
    return outcome;
  }

  const std::filesystem::path left_out_file =
      settings.left_out.empty() ? left_out_name(job, output.in_place()) : settings.left_out;
  // The cookbook reads its input twice, a pipe through the copy.
  auto tap = std::make_unique<InputTap>(
      input, bytes_read, !left_out_file.empty() || settings.format == OutputFormat::kHtml);
  // Without a side file the warning names the recipes left out.
  LeftOutRecipes left_out(settings.keep_titles || left_out_file.empty());
  mirtabel::ConversionOptions options;
  options.encoding = settings.encoding;
  options.observer = &left_out;
  mirtabel::ConversionResult result;
  std::unique_ptr<mirtabel::RoomyRecipeStores> stores;
  if (settings.format != OutputFormat::kRecords) {
    stores.reset(new (std::nothrow) mirtabel::RoomyRecipeStores);
    if (!stores || !stores->allocated()) {
      outcome.error = ENOMEM;
      outcome.failed = FailedPart::kConversion;
      return outcome;
    }
    InputAgain again(*tap);
    const mirtabel::JsonExportResult exported =
        settings.format == OutputFormat::kHtml
            ? mirtabel::convert_mxp_to_html(*tap, again, output, options, stores->stores(),
                                            cookbook_title(job))
            : mirtabel::convert_mxp_to_json(*tap, output, options, stores->stores());
    result = exported.conversion;
    outcome.cut = exported.cut_recipes;
  } else {
    result = mirtabel::convert_mxp(*tap, output, options);
  }
  outcome.records = result.records;
  outcome.bytes_read = result.bytes_read;
  outcome.bytes_written = result.bytes_written;
  // The side file holds the input's text: it is made as private as the output file, or where the
  // records are written in place, as the input.
  mirtabel::FileAccess access;
  const bool known_access = output.access(access) || input.access(access);
  outcome.error = result.error != 0 ? result.error : output.commit();
  if (outcome.error != 0) {
    outcome.failed = result.failed_file == mirtabel::FailedFile::kInput ? FailedPart::kInput
                                                                        : FailedPart::kOutput;
    return outcome;
  }

  outcome.doubt =
      doubt_about(tap->first_bytes(), tap->first_size(), result.bytes_read,
                  static_cast<std::size_t>(result.records) + left_out.count(), settings.encoding);
  outcome.dropped = left_out.count();
  mirtabel::RandomAccessFile* bytes = nullptr;
  if (outcome.cut > 0 && !left_out_file.empty()) {
    // The recipes written cut go to the side file as those left out of the records do.
    outcome.left_out_error = tap->rereadable(bytes);
    if (outcome.left_out_error == 0) {
      outcome.left_out_error =
          find_cut_recipes(*bytes, settings.encoding, stores->stores(), left_out);
    }
  }
  outcome.dropped_titles = std::move(left_out.titles());
  if ((left_out.count() > 0 || outcome.left_out_error != 0) && !left_out_file.empty()) {
    outcome.left_out_file = left_out_file;
    if (outcome.left_out_error == 0) outcome.left_out_error = tap->rereadable(bytes);
    if (outcome.left_out_error == 0) {
      mirtabel::OutputOptions side_options = output_options;
      if (known_access) side_options.access = &access;
      outcome.left_out_error =
          left_out.write(*bytes, tap->mark_size(), library_path(outcome.left_out_file).c_str(),
                         input, side_options);
    }
  } else if (outcome.dropped == 0 && settings.format == OutputFormat::kRecords &&
             settings.left_out.empty() && !left_out_file.empty()) {
    // A side file left by an earlier run would pass for this one's: it goes, unless -n keeps it.
    // The input may be such a file, shortened and converted again: it stays. A side file that
    // --left-out names is the user's to keep.
    const std::filesystem::path& stale = left_out_file;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(stale, error);
    const bool is_input =
        !is_standard_stream(job.input) && std::filesystem::equivalent(stale, job.input, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status) && !is_input) {
      outcome.left_out_file = stale;
      if (settings.no_clobber) {
        outcome.left_out_error = EEXIST;
      } else if (!std::filesystem::remove(stale, error)) {
        outcome.left_out_error = error ? error.default_error_condition().value() : ENOENT;
      }
    }
  }
  return outcome;
}
