#include "exports/api_settings.h"

#include <cstddef>
#include <cstring>

#include "convert/title_field.h"

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

// Out of line, so that the title's copy and the side file's copy buffer are never on the stack
// at once: this runs at the conversion's depth, where the stack is nearly at its bound.
[[gnu::noinline]] void LeftOutCallback::recipe_left_out(const LeftOutRecipe& recipe) noexcept {
  // The title without the field's padding, null-terminated for C.
  char title[TitleField::kMaxBytes + 1];
  std::size_t size =
      recipe.title_size < TitleField::kMaxBytes ? recipe.title_size : TitleField::kMaxBytes;
  while (size > 0 && recipe.title_field[size - 1] == ' ')
    --size;
  std::memcpy(title, recipe.title_field, size);
  title[size] = '\0';
  mirtabel_left_out heard{};
  heard.title = title;
  heard.reason =
      recipe.reason == LeftOutReason::kCut ? MIRTABEL_LEFT_OUT_CUT : MIRTABEL_LEFT_OUT_TOO_LONG;
  heard.begin = recipe.place.begin;
  heard.end = recipe.place.end;
  heard.first_line_end = recipe.place.first_line_end;
  heard.records_before = recipe.records_before;
  settings_.left_out(settings_.left_out_context, &heard);
}

void set_job(const ApiSettings& settings, LeftOutCallback& callback, mirtabel_report* report,
             FileConversionJob& job) noexcept {
  job.format = static_cast<OutputFormat>(settings.format);
  job.encoding = settings.encoding;
  job.marker = settings.marker;
  if (report_has_1_3_fields(report)) {
    job.marker_used = report->marker;
    job.marker_used_room = sizeof report->marker;
  }
  if (settings.title != nullptr) job.title = settings.title;
  job.force = settings.force;
  job.hooks.warnings = settings.warning != nullptr;
  if (settings.left_out != nullptr) job.hooks.observer = &callback;
}

bool report_usable(const mirtabel_report* report) noexcept {
  return report == nullptr || report->size == kReportSize12 ||
         report->size >= sizeof(mirtabel_report);
}

bool report_has_1_3_fields(const mirtabel_report* report) noexcept {
  return report != nullptr && report->size >= sizeof(mirtabel_report);
}

}  // namespace mirtabel
