#include "exports/api_settings.h"

namespace mirtabel {
namespace {

// A structure from a newer header is taken only when every field past ours is zero: what a
// caller sets there, this version would silently ignore.
bool known_size(const mirtabel_options& options) noexcept {
  if (options.size < sizeof(mirtabel_options)) return false;
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
      break;
    case MIRTABEL_FORMAT_HTML:
      return MIRTABEL_ERROR_NOT_SUPPORTED;
    default:
      return MIRTABEL_ERROR_OPTIONS;
  }
  settings.format = options->format;
  if (options->encoding != nullptr &&
      !input_encoding_from_name(options->encoding, settings.encoding)) {
    return MIRTABEL_ERROR_OPTIONS;
  }
  settings.left_out_path = options->left_out_path;
  settings.left_out = options->left_out;
  settings.left_out_context = options->left_out_context;
  return MIRTABEL_OK;
}

bool report_usable(const mirtabel_report* report) noexcept {
  return report == nullptr || report->size >= sizeof(mirtabel_report);
}

}  // namespace mirtabel
