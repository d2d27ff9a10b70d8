#include "file_conversion/file_conversion.h"

#include <cerrno>
#include <cstring>

#include "file_conversion/binary_input.h"
#include "file_conversion/side_file.h"
#include "platform/file.h"
#include "platform/file_identity.h"
#include "platform/native_path.h"

namespace mirtabel {
namespace {

// Runs `use` on the path made native; the conversion, if any, lives in this frame only.
template <typename Use>
int with_native(const GivenPath& path, Use use) noexcept {
  if (path.bytes != nullptr) {
    const NativePath native(path.bytes);
    return use(native);
  }
  const NativePath native(path.wide);
  return use(native);
}

// Whether the side file would land on the output, under whatever spelling: the later rename
// would replace it. Paths that cannot be looked at are left to fail when they are opened.
bool side_file_is_output(const GivenPath& side, const GivenPath& output) noexcept {
  if (side.bytes != nullptr && output.bytes != nullptr &&
      std::strcmp(side.bytes, output.bytes) == 0)
    return true;
  FileIdentity side_identity, output_identity;
  const auto identify = [](FileIdentity& identity) {
    return [&identity](const NativePath& path) { return identify_file(path, identity); };
  };
  return with_native(side, identify(side_identity)) == 0 &&
         with_native(output, identify(output_identity)) == 0 &&
         is_same_file(side_identity, output_identity);
}

// An input with its bytes counted for a progress line, as they arrive.
class CountedSource final : public ByteSource {
 public:
  CountedSource(ByteSource& input, std::atomic<std::uint64_t>* counter) noexcept
      : input_(input), counter_(counter) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const ReadResult result = input_.read(buffer, capacity);
    if (counter_ != nullptr) counter_->fetch_add(result.size, std::memory_order_relaxed);
    return result;
  }

 private:
  ByteSource& input_;
  std::atomic<std::uint64_t>* counter_;
};

// Hears of the recipes left out or written cut, on the converting thread: counts them, has the
// side file copy their text, and tells the caller's observer.
class LeftOutTally final : public ConversionObserver {
 public:
  LeftOutTally(ConversionObserver* observer, LeftOutSideFile* side_file) noexcept
      : observer_(observer), side_file_(side_file) {}

  void recipe_left_out(const LeftOutRecipe& recipe) noexcept override {
    // Counts up to the int32_t limit, as the records do, and no further.
    if (recipe.reason == LeftOutReason::kTooLong && count_ < INT32_MAX) ++count_;
    ++for_side_file_;
    if (side_file_ != nullptr) side_file_->add(recipe.place);
    if (observer_ != nullptr) observer_->recipe_left_out(recipe);
  }

  std::int32_t count() const noexcept { return count_; }
  bool any() const noexcept { return for_side_file_ > 0; }

 private:
  ConversionObserver* observer_;
  LeftOutSideFile* side_file_;
  std::int32_t count_ = 0;
  std::uint64_t for_side_file_ = 0;
};

struct OpenFiles {
  InputFile input;
  OutputFile output;
  LeftOutSideFile side_file;
  bool side = false;   // the job's side file is in use
  int side_error = 0;  // why a side file that is not required cannot be written
};

// Opens the input and prepares the output and the side file, noting a failure in `outcome`. Out
// of line, so that the native paths are off the stack before the conversion starts.
[[gnu::noinline]] void open_files(const FileConversionJob& job, OpenFiles& files,
                                  FileOutcome& outcome) noexcept {
  const auto fail = [&outcome](FailedPart part, int error) {
    outcome.failed = part;
    outcome.error = error;
  };
  if (job.side_path.given() && job.output_path.given() &&
      side_file_is_output(job.side_path, job.output_path))
    return fail(FailedPart::kSideFileIsOutput, EINVAL);
  InputFile& input = files.input;
  int error = 0;
  if (job.input_path.given()) {
    error = with_native(job.input_path, [&](const NativePath& path) {
      const int opened = input.open(path);
      // The side file reads the recipes at their offsets from an input of its own while the
      // conversion reads on: a read at an offset moves a Windows file's position.
      if (opened == 0 && job.side_path.given())
        files.side_error = files.side_file.open_input(path, input);
      return opened;
    });
  } else if (job.input_stream == nullptr) {
    error = input.use_standard_input();
  }
  if (error != 0) return fail(FailedPart::kInput, error);
  if (files.side_error != 0 && job.side_file_required)
    return fail(FailedPart::kSideFile, files.side_error);

  const OutputOptions options{job.hooks.no_clobber, job.hooks.notes};
  OutputFile& output = files.output;
  if (job.output_path.given()) {
    error = with_native(job.output_path, [&](const NativePath& path) {
      return output.create(path, input, options);
    });
  } else if (job.output_stream == nullptr) {
    error = output.use_standard_output(input);
  }
  if (error != 0) return fail(FailedPart::kOutput, error);

  files.side = job.side_path.given() && !(job.side_file_beside_output && output.in_place());
  if (!files.side || files.side_error != 0) return;
  // It holds the input's text: it is made as private as the output file, or where the output is
  // written in place, as the input.
  FileAccess access;
  OutputOptions side_options{job.hooks.no_clobber,
                             job.hooks.notes != nullptr ? job.hooks.notes + 1 : nullptr};
  if (output.access(access) || input.access(access)) side_options.access = &access;
  files.side_error = with_native(job.side_path, [&](const NativePath& path) {
    return files.side_file.create(path, input, side_options);
  });
  if (files.side_error != 0 && job.side_file_required)
    fail(FailedPart::kSideFile, files.side_error);
}

// The figures and the failure of the conversion.
void take(const FormatResult& result, FileOutcome& outcome) noexcept {
  const ConversionResult& conversion = result.conversion;
  outcome.records = conversion.records;
  outcome.bytes_read = conversion.bytes_read;
  outcome.bytes_written = conversion.bytes_written;
  outcome.encoding = conversion.encoding;
  outcome.cut = result.cut;
  outcome.too_long = conversion.past_body_limit;
  outcome.error = conversion.error;
  if (result.no_memory) {
    outcome.failed = FailedPart::kConversion;
  } else if (conversion.error != 0) {
    outcome.failed =
        conversion.failed_file == FailedFile::kOutput ? FailedPart::kOutput : FailedPart::kInput;
  }
}

// The cookbook reads an input that cannot be read twice again through its copy, whose failure
// is then the run's, not the input's.
void take_copy_failure(const CopiedInput& copied, bool needed, FileOutcome& outcome) noexcept {
  if (!needed || copied.copy_error() == 0 ||
      (outcome.failed != FailedPart::kNone && outcome.failed != FailedPart::kInput))
    return;
  outcome.failed = FailedPart::kScratch;
  outcome.error = copied.copy_error();
}

// Puts the side file in place when it holds recipes; a failure is the run's only when required.
void commit_side_file(const FileConversionJob& job, OpenFiles& files, const LeftOutTally& tally,
                      FileOutcome& outcome) noexcept {
  if (!files.side || !tally.any()) return;
  int error = files.side_error != 0 ? files.side_error : files.side_file.commit();
  if (error != 0 && job.side_file_required) {
    outcome.failed = FailedPart::kSideFile;
    outcome.error = error;
  }
  outcome.side_file_error = error;
  outcome.side_file_written = error == 0;
}

}  // namespace

FileOutcome FileConversion::run(const FileConversionJob& job) noexcept {
  FileOutcome outcome;
  // Destroyed in the reverse order: a side file that was not put in place loses its temporary
  // file, then the output, then the inputs close.
  OpenFiles files;
  open_files(job, files, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  outcome.side_file_in_use = files.side;
  InputFile& input = files.input;
  ByteSource& source = job.input_stream != nullptr ? *job.input_stream : input;
  ByteSink& sink = job.output_stream != nullptr ? *job.output_stream : files.output;

  // An input that cannot be read twice (a pipe) is copied as it is read when it must be read
  // again: for the cookbook's second reading, or for the side file, which reads each recipe's
  // text from the copy once the conversion has read past it.
  const bool cookbook = job.format == OutputFormat::kHtml;
  const bool copy_for_cookbook = cookbook && job.input_again == nullptr;
  RandomAccessFile* const regular =
      job.input_stream == nullptr && input.is_regular() ? &input : nullptr;
  BinaryCheck checked(source, regular);
  CopiedInput copied(job.force ? source : checked, regular, copy_for_cookbook || files.side);
  take_copy_failure(copied, copy_for_cookbook, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  // The standard input, or an input that cannot be read twice, is read again through `copied`.
  if (files.side && files.side_error == 0 && (regular == nullptr || !job.input_path.given())) {
    RandomAccessFile* bytes = nullptr;
    files.side_error = copied.rereadable(bytes);
    if (files.side_error == 0) files.side_file.read_from(*bytes);
  }
  CountedSource counted(copied, job.hooks.bytes_read);
  InputAgain copy_again(copied);
  CountedSource again(job.input_again != nullptr ? *job.input_again : copy_again,
                      job.hooks.bytes_read_again);
  LeftOutTally tally(job.hooks.observer,
                     files.side && files.side_error == 0 ? &files.side_file : nullptr);

  if (job.marker_used != nullptr) job.marker_used[0] = '\0';
  FormatJob format_job;
  format_job.format = static_cast<int>(job.format);
  format_job.options.encoding = job.encoding;
  format_job.options.whole_input = regular;
  if (job.format == OutputFormat::kRecords || files.side || job.hooks.observer_hears_cut)
    format_job.options.observer = &tally;
  format_job.options.marker_used = job.marker_used;
  format_job.options.marker_used_room = job.marker_used_room;
  format_job.again = &again;
  format_job.title = job.title;
  format_job.marker = job.marker;
  format_job.warnings = job.hooks.warnings;
  take(conversion_.run(counted, sink, format_job), outcome);
  outcome.left_out = tally.count();
  if (checked.refused_as() != nullptr) {
    outcome.not_text = checked.refused_as();
    outcome.failed = FailedPart::kNotText;
    outcome.error = EILSEQ;
  }
  take_copy_failure(copied, copy_for_cookbook, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;

  // A required side file first: when it fails, the output is not replaced either.
  if (job.side_file_required) commit_side_file(job, files, tally, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  if (const int error = job.output_stream != nullptr ? 0 : files.output.commit()) {
    outcome.failed = FailedPart::kOutput;
    outcome.error = error;
    return outcome;
  }
  if (!job.side_file_required) commit_side_file(job, files, tally, outcome);
  return outcome;
}

}  // namespace mirtabel
