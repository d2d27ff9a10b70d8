#include "exports/api_settings.h"

#include <cstddef>

namespace mirtabel {
namespace {

// The structure as the 1.1 header declared it, up to the fields 1.2 added.
constexpr std::size_t kOptionsSize11 = offsetof(mirtabel_options, title);

// A structure from a newer header is taken only when every field past ours is zero: what a
// caller sets there, this version would silently ignore. One from the 1.1 header is taken too.
bool known_size(const mirtabel_options& options) noexcept {
  if (options.size != kOptionsSize11 && options.size < sizeof(mirtabel_options)) return false;
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
  return MIRTABEL_OK;
}

FormatJob format_job(const ApiSettings& settings, ConversionObserver* observer,
                     ByteSource* again) noexcept {
  FormatJob job;
  job.format = settings.format;
  job.options.encoding = settings.encoding;
  job.options.observer = observer;
  job.again = again;
  if (settings.title != nullptr) job.title = settings.title;
  return job;
}

bool report_usable(const mirtabel_report* report) noexcept {
  return report == nullptr || report->size >= sizeof(mirtabel_report);
}

}  // namespace mirtabel
