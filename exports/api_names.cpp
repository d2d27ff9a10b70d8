// The names the conversion API gives its codes and its version.
#include "exports/mirtabel.h"

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
