// The options of a conversion API call, checked and read into the form the conversion takes.
#ifndef MIRTABEL_EXPORTS_API_SETTINGS_H
#define MIRTABEL_EXPORTS_API_SETTINGS_H

#include "exports/mirtabel.h"
#include "platform/input_encoding.h"

namespace mirtabel {

struct ApiSettings {
  int format = MIRTABEL_FORMAT_RECORDS;
  InputEncoding encoding = InputEncoding::kUtf8;
  const char* left_out_path = nullptr;
  mirtabel_left_out_function left_out = nullptr;
  void* left_out_context = nullptr;
};

// Reads `options` (null: the defaults) into `settings`. Returns MIRTABEL_OK,
// MIRTABEL_ERROR_OPTIONS for a size, format or encoding it does not know, or
// MIRTABEL_ERROR_NOT_SUPPORTED for a format that is reserved but not written yet.
int read_settings(const mirtabel_options* options, ApiSettings& settings) noexcept;

// Whether `report` (null, or a structure that says its size) can be filled.
bool report_usable(const mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
