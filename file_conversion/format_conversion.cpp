#include "file_conversion/format_conversion.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "recipes/convert_mxp_to_html.h"

namespace mirtabel {

[[gnu::noinline]] void FormatConversion::run_structured(ByteSource& input, ByteSink& output,
                                                        const FormatJob& job,
                                                        FormatResult& result) noexcept {
  const ConversionOptions& options = job.options;
  const bool cookbook = job.format == MIRTABEL_FORMAT_HTML;
  if (cookbook && job.again == nullptr) {
    result.conversion.error = EINVAL;
    result.conversion.failed_file = FailedFile::kInput;
    return;
  }
  if (!stores_) stores_.reset(new (std::nothrow) RoomyRecipeStores);
  if (!stores_ || !stores_->allocated()) {
    stores_.reset();
    result.no_memory = true;
    result.conversion.error = ENOMEM;
    return;
  }
  const JsonExportResult exported =
      cookbook
          ? convert_mxp_to_html(input, *job.again, output, options, stores_->stores(), job.title)
          : convert_mxp_to_json(input, output, options, stores_->stores());
  result.conversion = exported.conversion;
  result.cut = exported.cut_recipes;
}

// Its frame lies under the conversion's: what is needed only before or after it is done out of
// line, and the job's options take the marker in place.
FormatResult FormatConversion::run(ByteSource& input, ByteSink& output, FormatJob& job) noexcept {
  FormatResult result;
  ByteSource* source = &input;
  if (const int error = prepare(job, input, source)) {
    result.no_memory = error == ENOMEM;
    result.conversion.error = error;
    if (error != ENOMEM) result.conversion.failed_file = FailedFile::kInput;
    return result;
  }
  if (job.format == MIRTABEL_FORMAT_RECORDS) {
    result.conversion = convert_mxp(*source, output, job.options);
  } else {
    run_structured(*source, output, job, result);
  }
  if (job.warnings && !result.no_memory && result.conversion.error == 0) judge(job, result);
  return result;
}

// Takes the checks' store when the job needs it, whose keeper of the input's start becomes the
// `source` of the conversion, and chooses the marker into the job's options, scanning the
// input's start, read ahead, for "auto". Returns 0 or an errno value.
[[gnu::noinline]] int FormatConversion::prepare(FormatJob& job, ByteSource& input,
                                                ByteSource*& source) noexcept {
  const bool auto_marker = job.marker != nullptr && std::strcmp(job.marker, "auto") == 0;
  marker_text_ = nullptr;
  marker_not_found_ = false;
  judged_ = false;
  if (job.warnings || auto_marker) {
    if (!checks_) checks_.reset(new (std::nothrow) InputChecks);
    if (!checks_) return ENOMEM;
    checks_->keeper.reset(input);
    source = &checks_->keeper;
  }
  if (auto_marker) {
    if (const int error = checks_->keeper.read_ahead()) return error;
    InputChecks& checks = *checks_;
    checks.scan = scan_markers(checks.start, checks.start_size, job.options.encoding);
    marker_not_found_ = !checks.scan.found;
    if (checks.scan.found) marker_text_ = checks.scan.text;
  } else if (job.marker != nullptr) {
    marker_text_ = job.marker;
  }
  if (marker_text_ != nullptr) {
    job.options.marker = marker_text_;
    job.options.marker_size = std::strlen(marker_text_);
    job.options.marker_spacing_ignored = auto_marker;  // a marker given is matched as it is
  }
  return 0;
}

// The warnings, judged once the conversion is done.
[[gnu::noinline]] void FormatConversion::judge(const FormatJob& job,
                                               FormatResult& result) noexcept {
  InputChecks& checks = *checks_;
  const bool auto_marker = job.marker != nullptr && std::strcmp(job.marker, "auto") == 0;
  if (!auto_marker) {
    checks.scan =
        scan_markers(checks.start, checks.start_size, result.conversion.encoding.encoding);
  }
  // The records format leaves out the recipes past its limit; the others write them.
  const std::int32_t left_out =
      job.format == MIRTABEL_FORMAT_RECORDS ? result.conversion.past_body_limit : 0;
  // The input's start is judged as the conversion read it, in the code page it chose.
  const WarningFacts facts{&result.conversion,
                           result.conversion.records + left_out,
                           result.conversion.encoding.encoding,
                           marker_text_ != nullptr,
                           marker_not_found_,
                           &checks.scan};
  judge_warnings(checks, facts);
  judged_ = true;
}

CopiedInput::CopiedInput(ByteSource& input, RandomAccessFile* regular, bool keep_copy) noexcept
    : input_(input), regular_(regular), copying_(keep_copy && regular == nullptr) {
  if (copying_) copy_error_ = copy_.create();
}

ReadResult CopiedInput::read(unsigned char* buffer, std::size_t capacity) noexcept {
  const ReadResult result = input_.read(buffer, capacity);
  if (copying_ && result.size > 0 && copy_error_ == 0)
    copy_error_ = copy_.write(buffer, result.size);
  return result;
}

int CopiedInput::rereadable(RandomAccessFile*& bytes) noexcept {
  if (regular_ != nullptr) {
    bytes = regular_;
    return 0;
  }
  if (!copying_) return ESPIPE;
  bytes = &copy_;
  return copy_error_;
}

ReadResult InputAgain::read(unsigned char* buffer, std::size_t capacity) noexcept {
  RandomAccessFile* bytes = nullptr;
  if (const int error = input_.rereadable(bytes)) return {0, error};
  const ReadResult result = bytes->read_at(offset_, buffer, capacity);
  offset_ += result.size;
  return result;
}

}  // namespace mirtabel
