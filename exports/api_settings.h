// The options of a conversion API call, checked and read into the form the conversion takes.
#ifndef MIRTABEL_EXPORTS_API_SETTINGS_H
#define MIRTABEL_EXPORTS_API_SETTINGS_H

#include <cstddef>

#include "exports/format_conversion.h"
#include "exports/mirtabel.h"
#include "platform/input_encoding.h"

namespace mirtabel {

// The size of the report as the 1.2 header declared it, which is filled up to there.
inline constexpr std::size_t kReportSize12 = offsetof(mirtabel_report, encoding);

struct ApiSettings {
  int format = MIRTABEL_FORMAT_RECORDS;
  InputEncoding encoding = InputEncoding::kChoose;
  const char* left_out_path = nullptr;
  mirtabel_left_out_function left_out = nullptr;
  void* left_out_context = nullptr;
  const char* title = nullptr;
  mirtabel_rewind_function rewind = nullptr;
  bool force = false;  // convert an input that looks binary
  const char* marker = nullptr;
  mirtabel_warning_function warning = nullptr;
  void* warning_context = nullptr;
};

// Reads `options` (null: the defaults) into `settings`. Returns MIRTABEL_OK, or
// MIRTABEL_ERROR_OPTIONS for a size, format or encoding it does not know.
int read_settings(const mirtabel_options* options, ApiSettings& settings) noexcept;

// The conversion the settings ask for, telling `observer` of each recipe left out, reading the
// input again, for the cookbook, from `again`, and writing the marker used into `report`;
// `whole_input` is the input where it can be read at any offset, from which a code page is chosen.
FormatJob format_job(const ApiSettings& settings, ConversionObserver* observer, ByteSource* again,
                     mirtabel_report* report, RandomAccessFile* whole_input = nullptr) noexcept;

// Whether `report` (null, or a structure that says its size, from this header or an older one
// since 1.1) can be filled.
bool report_usable(const mirtabel_report* report) noexcept;
// Whether `report` has the fields 1.3 added.
bool report_has_1_3_fields(const mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
