#include "exports/api_outcome.h"

#include <cerrno>

namespace mirtabel {
namespace {

// The code of each part, in the order of FailedPart.
constexpr int kCodes[] = {MIRTABEL_OK,
                          MIRTABEL_ERROR_INPUT,
                          MIRTABEL_ERROR_OUTPUT,
                          MIRTABEL_ERROR_LEFT_OUT_FILE,
                          MIRTABEL_ERROR_OPTIONS,
                          MIRTABEL_ERROR_NO_MEMORY,
                          MIRTABEL_ERROR_SCRATCH_FILE,
                          MIRTABEL_ERROR_NOT_TEXT};
static_assert(sizeof kCodes / sizeof kCodes[0] == static_cast<int>(FailedPart::kNotText) + 1);

int code_of(const FileOutcome& outcome) noexcept {
  // An input of more records than an int32_t counts.
  if (outcome.failed == FailedPart::kInput && outcome.error == EOVERFLOW)
    return MIRTABEL_ERROR_TOO_MANY;
  return kCodes[static_cast<int>(outcome.failed)];
}

int fill(int code, const FileOutcome& outcome, std::int32_t warnings,
         mirtabel_report* report) noexcept {
  if (report != nullptr) {
    report->records = outcome.conversion.records;
    report->left_out = outcome.left_out;
    report->cut = outcome.cut;
    report->error = outcome.error;
    report->bytes_read = outcome.conversion.bytes_read;
    report->bytes_written = outcome.conversion.bytes_written;
    if (report_has_1_3_fields(report)) {
      report->encoding = chosen_encoding_name(outcome.conversion.encoding);
      describe_choice(outcome.conversion.encoding, report->encoding_reason,
                      sizeof report->encoding_reason);
      report->not_text = outcome.not_text;
      report->warnings = warnings;
      report->too_long = outcome.conversion.past_body_limit;
    }
  }
  if (code != MIRTABEL_OK) errno = outcome.error;
  return code;
}

}  // namespace

int begin_call(bool arguments_given, const mirtabel_options* options, mirtabel_report* report,
               ApiSettings& settings) noexcept {
  // A report smaller than this version's is not written at all.
  if (!arguments_given || !report_usable(report))
    return refuse(MIRTABEL_ERROR_OPTIONS, report_usable(report) ? report : nullptr);
  if (const int code = read_settings(options, settings)) return refuse(code, report);
  return MIRTABEL_OK;
}

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
