#include "exports/api_settings.h"

#include <cstddef>

namespace mirtabel {
namespace {

// The structures as older headers declared them, up to the fields later ones added.
constexpr std::size_t kOptionsSize11 = offsetof(mirtabel_options, title);
constexpr std::size_t kOptionsSize12 = offsetof(mirtabel_options, force);

// A structure from a newer header is taken only when every field past ours is zero: what a
// caller sets there, this version would silently ignore. One from an older header is taken too.
bool known_size(const mirtabel_options& options) noexcept {
  if (options.size != kOptionsSize11 && options.size != kOptionsSize12 &&
      options.size < sizeof(mirtabel_options))
    return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&options);
  for (std::size_t i = sizeof(mirtabel_options); i < options.size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

}  // namespace

int read_settings(const mirtabel_options* options, ApiSettings& settings) noexcept {
  if (options == nullptr) return MIRTABEL_OK;
  if (!known_size(*options)) return MIRTABEL_ERROR_OPTIONS;
  switch (options->format) {
    case MIRTABEL_FORMAT_RECORDS:
    case MIRTABEL_FORMAT_JSON_LINES:
    case MIRTABEL_FORMAT_HTML:
      break;
    default:
      return MIRTABEL_ERROR_NOT_SUPPORTED;
  }
  settings.format = options->format;
  if (options->encoding != nullptr &&
      !input_encoding_from_name(options->encoding, settings.encoding)) {
    return MIRTABEL_ERROR_OPTIONS;
  }
  settings.left_out_path = options->left_out_path;
  settings.left_out = options->left_out;
  settings.left_out_context = options->left_out_context;
  if (options->size > kOptionsSize11) {
    settings.title = options->title;
    settings.rewind = options->rewind;
  }
  if (options->size > kOptionsSize12) {
    settings.force = options->force != 0;
    settings.marker = options->marker;
    settings.warning = options->warning;
    settings.warning_context = options->warning_context;
  }
  return MIRTABEL_OK;
}

FormatJob format_job(const ApiSettings& settings, ConversionObserver* observer, ByteSource* again,
                     mirtabel_report* report, RandomAccessFile* whole_input) noexcept {
  FormatJob job;
  job.marker = settings.marker;
  job.warnings = settings.warning != nullptr;
  if (report_has_1_3_fields(report)) {
    report->marker[0] = '\0';
    job.options.marker_used = report->marker;
    job.options.marker_used_room = sizeof report->marker;
  }
  job.format = settings.format;
  job.options.encoding = settings.encoding;
  job.options.whole_input = whole_input;
  job.options.observer = observer;
  job.again = again;
  if (settings.title != nullptr) job.title = settings.title;
  return job;
}

bool report_usable(const mirtabel_report* report) noexcept {
  return report == nullptr || report->size == kReportSize12 ||
         report->size >= sizeof(mirtabel_report);
}

bool report_has_1_3_fields(const mirtabel_report* report) noexcept {
  return report != nullptr && report->size >= sizeof(mirtabel_report);
}

}  // namespace mirtabel
