#include "host/file_conversion.h"

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "exports/binary_input.h"
#include "exports/format_conversion.h"
#include "host/argument_path.h"
#include "host/left_out.h"
#include "platform/file.h"

namespace {

// An input with its bytes counted for the progress line, as they arrive.
class CountedSource final : public mirtabel::ByteSource {
 public:
  CountedSource(mirtabel::ByteSource& input, std::atomic<std::uint64_t>* counter)
      : input_(input), counter_(counter) {}

  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const mirtabel::ReadResult result = input_.read(buffer, capacity);
    if (counter_ != nullptr) counter_->fetch_add(result.size, std::memory_order_relaxed);
    return result;
  }

 private:
  mirtabel::ByteSource& input_;
  std::atomic<std::uint64_t>* counter_;
};

// The format's number in the conversion core (MIRTABEL_FORMAT_*).
int api_format(OutputFormat format) {
  return format == OutputFormat::kJson   ? MIRTABEL_FORMAT_JSON_LINES
         : format == OutputFormat::kHtml ? MIRTABEL_FORMAT_HTML
                                         : MIRTABEL_FORMAT_RECORDS;
}

// The cookbook's title: the input's name without its extension.
std::string cookbook_title(const FileJob& job) {
  return is_standard_stream(job.input) ? std::string() : display_name(job.input.stem());
}

// The cookbook reads a pipe again through its copy, whose failure is then the run's, not the
// input's. Notes it in `outcome` and returns true when there is one.
bool copy_failed(const mirtabel::CopiedInput& copied, OutputFormat format, FileOutcome& outcome) {
  if (format != OutputFormat::kHtml || copied.copy_error() == 0) return false;
  outcome.error = copied.copy_error();
  outcome.failed = FailedPart::kScratch;
  return true;
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
                         std::atomic<std::uint64_t>* bytes_read, mirtabel::TemporaryFileNote* note,
                         std::atomic<std::uint64_t>* bytes_read_again) {
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
      settings.left_out.empty() ? left_out_name(job, settings.format, output.in_place())
                                : settings.left_out;
  // An input that cannot be read twice (a pipe) is copied into a scratch file for the text of the
  // recipes left out, when there is a side file to write it to, and for the cookbook's second
  // reading.
  mirtabel::RandomAccessFile* const regular = input.is_regular() ? &input : nullptr;
  mirtabel::BinaryCheck checked(input, regular);
  auto copied = std::make_unique<mirtabel::CopiedInput>(
      settings.force ? static_cast<mirtabel::ByteSource&>(input) : checked, regular,
      !left_out_file.empty() || settings.format == OutputFormat::kHtml);
  if (copy_failed(*copied, settings.format, outcome)) return outcome;  // before reading
  CountedSource counted(*copied, bytes_read);
  mirtabel::InputAgain input_again(*copied);
  CountedSource again(input_again, bytes_read_again);
  // Without a side file the warning names the recipes left out. A recipe written cut is heard of
  // only for the side file.
  LeftOutRecipes left_out(settings.keep_titles || left_out_file.empty());
  mirtabel::FormatJob format_job;
  format_job.format = api_format(settings.format);
  format_job.options.encoding = settings.encoding;
  format_job.options.whole_input = regular;
  if (settings.format == OutputFormat::kRecords || !left_out_file.empty())
    format_job.options.observer = &left_out;
  format_job.again = &again;
  const std::string title = settings.title ? *settings.title : cookbook_title(job);
  format_job.title = title;
  format_job.marker = settings.marker ? settings.marker->c_str() : nullptr;
  format_job.warnings = true;
  mirtabel::FormatConversion conversion;
  const mirtabel::FormatResult converted = conversion.run(counted, output, format_job);
  if (converted.no_memory) {
    outcome.error = ENOMEM;
    outcome.failed = FailedPart::kConversion;
    return outcome;
  }
  const mirtabel::ConversionResult& result = converted.conversion;
  outcome.cut = converted.cut;
  outcome.records = result.records;
  outcome.bytes_read = result.bytes_read;
  outcome.bytes_written = result.bytes_written;
  outcome.encoding = result.encoding;
  if (checked.refused_as() != nullptr) {
    outcome.not_text = checked.refused_as();
    outcome.error = EILSEQ;
    outcome.failed = FailedPart::kNotText;
    return outcome;
  }
  // The side file holds the input's text: it is made as private as the output file, or where the
  // records are written in place, as the input.
  mirtabel::FileAccess access;
  const bool known_access = output.access(access) || input.access(access);
  outcome.error = result.error != 0 ? result.error : output.commit();
  if (outcome.error != 0) {
    const bool input_failed = result.failed_file == mirtabel::FailedFile::kInput;
    if (input_failed && copy_failed(*copied, settings.format, outcome)) return outcome;
    outcome.failed = input_failed ? FailedPart::kInput : FailedPart::kOutput;
    return outcome;
  }

  if (const mirtabel::InputChecks* checks = conversion.warnings()) {
    for (std::size_t i = 0; i < checks->warning_count; ++i)
      outcome.warnings.emplace_back(checks->warnings[i].text);
  }
  if (settings.format != OutputFormat::kRecords) outcome.too_long = result.past_body_limit;
  outcome.dropped = left_out.count();
  outcome.dropped_titles = std::move(left_out.titles());
  // The recipes written cut go to the side file as those left out of the records do.
  if ((left_out.count() > 0 || outcome.cut > 0) && !left_out_file.empty()) {
    outcome.left_out_file = left_out_file;
    mirtabel::RandomAccessFile* bytes = nullptr;
    outcome.left_out_error = copied->rereadable(bytes);
    if (outcome.left_out_error == 0) {
      mirtabel::OutputOptions side_options = output_options;
      if (known_access) side_options.access = &access;
      outcome.left_out_error =
          left_out.write(*bytes, library_path(outcome.left_out_file).c_str(), input, side_options);
    }
  } else if (left_out.count() == 0 && outcome.cut == 0 && settings.left_out.empty() &&
             !left_out_file.empty()) {
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
