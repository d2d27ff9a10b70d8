#include "exports/api_outcome.h"

#include <cerrno>

namespace mirtabel {
namespace {

int code_of(const FileOutcome& outcome) noexcept {
  switch (outcome.failed) {
    case FailedPart::kNone:
      return MIRTABEL_OK;
    case FailedPart::kInput:
      return outcome.error == EOVERFLOW ? MIRTABEL_ERROR_TOO_MANY : MIRTABEL_ERROR_INPUT;
    case FailedPart::kOutput:
      return MIRTABEL_ERROR_OUTPUT;
    case FailedPart::kSideFile:
      return MIRTABEL_ERROR_LEFT_OUT_FILE;
    case FailedPart::kSideFileIsOutput:
      return MIRTABEL_ERROR_OPTIONS;
    case FailedPart::kConversion:
      return MIRTABEL_ERROR_NO_MEMORY;
    case FailedPart::kScratch:
      return MIRTABEL_ERROR_SCRATCH_FILE;
    case FailedPart::kNotText:
      return MIRTABEL_ERROR_NOT_TEXT;
  }
  return MIRTABEL_ERROR_INPUT;
}

int fill(int code, const FileOutcome& outcome, std::int32_t warnings,
         mirtabel_report* report) noexcept {
  if (report != nullptr) {
    report->records = outcome.records;
    report->left_out = outcome.left_out;
    report->cut = outcome.cut;
    report->error = outcome.error;
    report->bytes_read = outcome.bytes_read;
    report->bytes_written = outcome.bytes_written;
    if (report_has_1_3_fields(report)) {
      report->encoding = chosen_encoding_name(outcome.encoding);
      describe_choice(outcome.encoding, report->encoding_reason, sizeof report->encoding_reason);
      report->not_text = outcome.not_text;
      report->warnings = warnings;
      report->too_long = outcome.too_long;
    }
  }
  if (code != MIRTABEL_OK) errno = outcome.error;
  return code;
}

}  // namespace

int hand_back(const FileOutcome& outcome, const FileConversion& conversion,
              const ApiSettings& settings, mirtabel_report* report) noexcept {
  const int code = code_of(outcome);
  std::int32_t warnings = 0;
  const InputChecks* checks = conversion.warnings();
  if (code == MIRTABEL_OK && settings.warning != nullptr && checks != nullptr) {
    for (std::size_t i = 0; i < checks->warning_count; ++i) {
      const mirtabel_warning heard{checks->warnings[i].kind, checks->warnings[i].text};
      settings.warning(settings.warning_context, &heard);
      ++warnings;
    }
  }
  return fill(code, outcome, warnings, report);
}

int refuse(int code, mirtabel_report* report) noexcept {
  FileOutcome outcome;
  outcome.error = code == MIRTABEL_ERROR_NOT_SUPPORTED ? ENOTSUP : EINVAL;
  return fill(code, outcome, 0, report);
}

}  // namespace mirtabel
