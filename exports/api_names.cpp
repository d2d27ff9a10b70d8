// The names the conversion API gives its codes and its version.
#include "convert/output_format.h"
#include "exports/mirtabel.h"

using mirtabel::OutputFormat;
static_assert(static_cast<int32_t>(OutputFormat::kRecords) == MIRTABEL_FORMAT_RECORDS);
static_assert(static_cast<int32_t>(OutputFormat::kJson) == MIRTABEL_FORMAT_JSON_LINES);
static_assert(static_cast<int32_t>(OutputFormat::kHtml) == MIRTABEL_FORMAT_HTML);

extern "C" MIRTABEL_API const char* mirtabel_error_name(int code) {
  switch (code) {
    case MIRTABEL_OK:
      return "ok";
    case MIRTABEL_ERROR_OPTIONS:
      return "options";
    case MIRTABEL_ERROR_INPUT:
      return "input";
    case MIRTABEL_ERROR_OUTPUT:
      return "output";
    case MIRTABEL_ERROR_LEFT_OUT_FILE:
      return "left-out-file";
    case MIRTABEL_ERROR_NOT_SUPPORTED:
      return "not-supported";
    case MIRTABEL_ERROR_NO_MEMORY:
      return "no-memory";
    case MIRTABEL_ERROR_TOO_MANY:
      return "too-many-records";
    case MIRTABEL_ERROR_SCRATCH_FILE:
      return "scratch-file";
    case MIRTABEL_ERROR_NOT_TEXT:
      return "not-text";
    default:
      return "unknown";
  }
}

extern "C" MIRTABEL_API const char* mirtabel_version(void) {
  return MIRTABEL_VERSION_STRING;
}

extern "C" MIRTABEL_API int32_t mirtabel_version_number(void) {
  return MIRTABEL_VERSION_NUMBER;
}

extern "C" MIRTABEL_API int32_t mirtabel_format_from_name(const char* name) {
  const mirtabel::OutputFormatNames* names =
      name != nullptr ? mirtabel::output_format_named(name) : nullptr;
  return names != nullptr ? static_cast<int32_t>(names->format) : -1;
}

extern "C" MIRTABEL_API const char* mirtabel_format_name(int32_t format) {
  const auto at = static_cast<std::size_t>(format);
  return format >= 0 && at < mirtabel::kOutputFormatCount ? mirtabel::kOutputFormats[at].name
                                                          : nullptr;
}
