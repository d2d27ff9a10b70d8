// The options of a conversion API call, checked and read into the form the conversion takes.
#ifndef MIRTABEL_EXPORTS_API_SETTINGS_H
#define MIRTABEL_EXPORTS_API_SETTINGS_H

#include <cstddef>

#include "exports/mirtabel.h"
#include "file_conversion/file_conversion.h"
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

// Tells the settings' left-out callback of each recipe left out or written cut.
class LeftOutCallback final : public ConversionObserver {
 public:
  explicit LeftOutCallback(const ApiSettings& settings) noexcept : settings_(settings) {}

  void recipe_left_out(const LeftOutRecipe& recipe) noexcept override;

 private:
  const ApiSettings& settings_;
};

// Sets `job` to convert as the settings ask, telling `callback` of the recipes left out when the
// settings have a callback, and writing the marker used into `report`.
void set_job(const ApiSettings& settings, LeftOutCallback& callback, mirtabel_report* report,
             FileConversionJob& job) noexcept;

// Whether `report` (null, or a structure that says its size, from this header or an older one
// since 1.1) can be filled.
bool report_usable(const mirtabel_report* report) noexcept;
// Whether `report` has the fields 1.3 added.
bool report_has_1_3_fields(const mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
