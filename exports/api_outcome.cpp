#include "exports/api_outcome.h"

#include <cerrno>

#include "exports/api_settings.h"

namespace mirtabel {

void ApiOutcome::fail(int failure, int error_value) noexcept {
  code = failure;
  if (error_value == 0) {
    error_value = failure == MIRTABEL_ERROR_NOT_SUPPORTED ? ENOTSUP
                  : failure == MIRTABEL_ERROR_NO_MEMORY   ? ENOMEM
                  : failure == MIRTABEL_ERROR_TOO_MANY    ? EOVERFLOW
                                                          : EINVAL;
  }
  error = error_value;
}

void ApiOutcome::take(const ConversionResult& result) noexcept {
  records = result.records;
  bytes_read = result.bytes_read;
  bytes_written = result.bytes_written;
  encoding = result.encoding;
  if (result.error == 0) return;
  if (result.failed_file == FailedFile::kOutput) {
    fail(MIRTABEL_ERROR_OUTPUT, result.error);
  } else if (result.error == EOVERFLOW) {
    fail(MIRTABEL_ERROR_TOO_MANY, EOVERFLOW);
  } else {
    fail(MIRTABEL_ERROR_INPUT, result.error);
  }
}

void ApiOutcome::take(const FormatResult& result) noexcept {
  if (result.no_memory) {
    fail(MIRTABEL_ERROR_NO_MEMORY);
    return;
  }
  take(result.conversion);
  cut = result.cut;
  too_long = result.conversion.past_body_limit;
}

void ApiOutcome::tell_warnings(const FormatConversion& conversion,
                               mirtabel_warning_function warning, void* context) noexcept {
  const InputChecks* checks = conversion.warnings();
  if (code != MIRTABEL_OK || warning == nullptr || checks == nullptr) return;
  for (std::size_t i = 0; i < checks->warning_count; ++i) {
    const mirtabel_warning heard{checks->warnings[i].kind, checks->warnings[i].text};
    warning(context, &heard);
    ++warnings;
  }
}

void ApiOutcome::take_copy_failure(const CopiedInput& copy, bool cookbook) noexcept {
  if (!cookbook || copy.copy_error() == 0 || (code != MIRTABEL_OK && code != MIRTABEL_ERROR_INPUT))
    return;
  fail(MIRTABEL_ERROR_SCRATCH_FILE, copy.copy_error());
}

void ApiOutcome::take_refusal(const BinaryCheck& check) noexcept {
  if (check.refused_as() == nullptr) return;
  not_text = check.refused_as();
  fail(MIRTABEL_ERROR_NOT_TEXT, EILSEQ);
}

int hand_back(const ApiOutcome& outcome, mirtabel_report* report) noexcept {
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
      report->warnings = outcome.warnings;
      report->too_long = outcome.too_long;
    }
  }
  if (outcome.code != MIRTABEL_OK) errno = outcome.error;
  return outcome.code;
}

}  // namespace mirtabel
