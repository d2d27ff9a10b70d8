#include "file_conversion/file_conversion.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "file_conversion/binary_input.h"
#include "file_conversion/copied_input.h"
#include "file_conversion/side_file.h"
#include "platform/file.h"
#include "platform/file_identity.h"
#include "platform/native_path.h"
#include "recipes/convert_mxp_to_html.h"
#include "recipes/convert_mxp_to_json.h"

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

// Hears of the recipes left out or written cut, on the converting thread: counts them, has the
// side file copy their text, and tells the caller's observer.
template <typename SideFile>
class LeftOutTally final : public ConversionObserver {
 public:
  LeftOutTally(ConversionObserver* observer, SideFile* side_file) noexcept
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
  SideFile* side_file_;
  std::int32_t count_ = 0;
  std::uint64_t for_side_file_ = 0;
};

// Where there is no side file: its writer's place on the stack is not taken.
struct NoSideFile {
  int open_input(const NativePath&, const InputFile&) noexcept { return 0; }
  void read_from(RandomAccessFile&) noexcept {}
  int create(const NativePath&, const InputFile&, const OutputOptions&) noexcept { return 0; }
  void add(const RecipePlace&) noexcept {}
  int commit() noexcept { return 0; }
};

template <typename SideFile>
struct OpenFiles {
  InputFile input;
  OutputFile output;
  SideFile side_file;
  bool side = false;   // the job's side file is in use
  int side_error = 0;  // why a side file that is not required cannot be written
};

// Opens the input and prepares the output and the side file, noting a failure in `outcome`. Out
// of line, so that the native paths are off the stack before the conversion starts.
template <typename SideFile>
[[gnu::noinline]] void open_files(const FileConversionJob& job, OpenFiles<SideFile>& files,
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

// Whether the job asks for the marker to be chosen by a scan of the input's start.
bool chooses_marker(const FileConversionJob& job) noexcept {
  return job.marker != nullptr && std::strcmp(job.marker, "auto") == 0;
}

// The failure of the conversion, unless one is noted already.
void take_failure(FileOutcome& outcome) noexcept {
  const ConversionResult& result = outcome.conversion;
  if (result.error == 0 || outcome.failed != FailedPart::kNone) return;
  outcome.error = result.error;
  outcome.failed =
      result.failed_file == FailedFile::kOutput ? FailedPart::kOutput : FailedPart::kInput;
}

// An input that `checked` refused: the conversion met it as a failed read.
void take_refusal(const BinaryCheck& checked, FileOutcome& outcome) noexcept {
  if (checked.refused_as() == nullptr) return;
  outcome.not_text = checked.refused_as();
  outcome.failed = FailedPart::kNotText;
  outcome.error = EILSEQ;
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
template <typename SideFile>
void commit_side_file(const FileConversionJob& job, OpenFiles<SideFile>& files,
                      const LeftOutTally<SideFile>& tally, FileOutcome& outcome) noexcept {
  if (!files.side || !tally.any()) return;
  int error = files.side_error != 0 ? files.side_error : files.side_file.commit();
  if (error != 0 && job.side_file_required) {
    outcome.failed = FailedPart::kSideFile;
    outcome.error = error;
  }
  outcome.side_file_error = error;
}

}  // namespace

FileConversion::FileConversion() noexcept = default;
FileConversion::~FileConversion() = default;

FileOutcome FileConversion::run(const FileConversionJob& job) noexcept {
  return job.side_path.given() ? run_with<LeftOutSideFile>(job) : run_with<NoSideFile>(job);
}

// Its frame lies under the conversion's: what is needed only before or after it is done out of
// line.
template <typename SideFile>
FileOutcome FileConversion::run_with(const FileConversionJob& job) noexcept {
  FileOutcome outcome;
  // Destroyed in the reverse order: a side file that was not put in place loses its temporary
  // file, then the output, then the inputs close.
  OpenFiles<SideFile> files;
  open_files(job, files, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  outcome.side_file_in_use = files.side;
  InputFile& input = files.input;
  ByteSource& source = job.input_stream != nullptr ? *job.input_stream : input;
  ByteSink& sink = job.output_stream != nullptr ? *job.output_stream : files.output;

  // An input that cannot be read twice (a pipe) is copied as it is read when it must be read
  // again: for the cookbook's second reading, or for the side file, which reads each recipe's
  // text from the copy once the conversion has read past it.
  const bool copy_for_cookbook = job.format == OutputFormat::kHtml && job.input_again == nullptr;
  RandomAccessFile* const regular =
      job.input_stream == nullptr && input.is_regular() ? &input : nullptr;
  BinaryCheck checked(source, regular);
  CopiedInput copied(job.force ? source : checked, regular, copy_for_cookbook || files.side,
                     job.hooks.bytes_read);
  take_copy_failure(copied, copy_for_cookbook, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  // The standard input, or an input that cannot be read twice, is read again through `copied`.
  if (files.side && files.side_error == 0 && (regular == nullptr || !job.input_path.given())) {
    RandomAccessFile* bytes = nullptr;
    files.side_error = copied.rereadable(bytes);
    if (files.side_error == 0) files.side_file.read_from(*bytes);
  }
  LeftOutTally<SideFile> tally(job.hooks.observer,
                               files.side && files.side_error == 0 ? &files.side_file : nullptr);

  ConversionOptions options;
  options.encoding = job.encoding;
  options.whole_input = regular;
  if (job.format == OutputFormat::kRecords || files.side || job.hooks.observer_hears_cut)
    options.observer = &tally;
  ByteSource* first = &copied;
  if (const int error = prepare(job, copied, first, options)) {
    outcome.failed = error == ENOMEM ? FailedPart::kConversion : FailedPart::kInput;
    outcome.error = error;
    take_refusal(checked, outcome);
    return outcome;
  }
  // Made in the outcome itself, so that no second result lies under the records' conversion.
  new (&outcome.conversion)
      ConversionResult(job.format == OutputFormat::kRecords
                           ? convert_mxp(*first, sink, options)
                           : convert_structured(job, *first, copied, sink, options, outcome));
  take_failure(outcome);
  outcome.left_out = tally.count();
  take_refusal(checked, outcome);
  take_copy_failure(copied, copy_for_cookbook, outcome);
  if (outcome.failed != FailedPart::kNone) return outcome;
  if (job.hooks.warnings) judge(job, outcome.conversion);

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

// JSON Lines and HTML, out of line: their temporaries stay off the records' stack. The cookbook
// reads the input again from the caller's second source, else through `copied`.
[[gnu::noinline]] ConversionResult FileConversion::convert_structured(
    const FileConversionJob& job, ByteSource& input, CopiedInput& copied, ByteSink& output,
    const ConversionOptions& options, FileOutcome& outcome) noexcept {
  if (!stores_) stores_.reset(new (std::nothrow) RoomyRecipeStores);
  if (!stores_ || !stores_->allocated()) {
    stores_.reset();
    outcome.failed = FailedPart::kConversion;
    outcome.error = ENOMEM;
    return {};
  }
  InputAgain copy_again(copied, job.hooks.bytes_read_again);
  ByteSource& again = job.input_again != nullptr ? *job.input_again : copy_again;
  const JsonExportResult exported =
      job.format == OutputFormat::kHtml
          ? convert_mxp_to_html(input, again, output, options, stores_->stores(), job.title)
          : convert_mxp_to_json(input, output, options, stores_->stores());
  outcome.cut = exported.cut_recipes;
  return exported.conversion;
}

// Takes the checks' store when the job needs it, whose keeper of the input's start becomes the
// `source` of the conversion, and chooses the marker into `options`, scanning the input's start,
// read ahead, for "auto". Returns 0 or an errno value.
[[gnu::noinline]] int FileConversion::prepare(const FileConversionJob& job, ByteSource& input,
                                              ByteSource*& source,
                                              ConversionOptions& options) noexcept {
  const bool auto_marker = chooses_marker(job);
  marker_text_ = nullptr;
  marker_not_found_ = false;
  judged_ = false;
  if (job.marker_used != nullptr) job.marker_used[0] = '\0';
  options.marker_used = job.marker_used;
  options.marker_used_room = job.marker_used_room;
  if (job.hooks.warnings || auto_marker) {
    if (!checks_) checks_.reset(new (std::nothrow) InputChecks);
    if (!checks_) return ENOMEM;
    checks_->keeper.reset(input);
    source = &checks_->keeper;
  }
  if (auto_marker) {
    if (const int error = checks_->keeper.read_ahead()) return error;
    InputChecks& checks = *checks_;
    checks.scan = scan_markers(checks.start, checks.start_size, options.encoding);
    marker_not_found_ = !checks.scan.found;
    if (checks.scan.found) marker_text_ = checks.scan.text;
  } else if (job.marker != nullptr) {
    marker_text_ = job.marker;
  }
  if (marker_text_ != nullptr) {
    options.marker = marker_text_;
    options.marker_size = std::strlen(marker_text_);
    options.marker_spacing_ignored = auto_marker;  // a marker given is matched as it is
  }
  return 0;
}

// The warnings, judged once the conversion is done.
[[gnu::noinline]] void FileConversion::judge(const FileConversionJob& job,
                                             const ConversionResult& result) noexcept {
  InputChecks& checks = *checks_;
  const bool auto_marker = chooses_marker(job);
  if (!auto_marker)
    checks.scan = scan_markers(checks.start, checks.start_size, result.encoding.encoding);
  // The records format leaves out the recipes past its limit; the others write them.
  const std::int32_t left_out = job.format == OutputFormat::kRecords ? result.past_body_limit : 0;
  // The input's start is judged as the conversion read it, in the code page it chose.
  const WarningFacts facts{&result,
                           result.records + left_out,
                           result.encoding.encoding,
                           marker_text_ != nullptr,
                           marker_not_found_,
                           &checks.scan};
  judge_warnings(checks, facts);
  judged_ = true;
}

}  // namespace mirtabel
