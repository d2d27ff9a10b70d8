// mirtabel_convert: the conversion API on two files named by UTF-8 paths, with the side file.
#include "exports/api_outcome.h"
#include "exports/api_settings.h"
#include "exports/mirtabel.h"

extern "C" MIRTABEL_API int mirtabel_convert(const char* input_path, const char* output_path,
                                             const mirtabel_options* options,
                                             mirtabel_report* report) {
  using namespace mirtabel;
  ApiSettings settings;
  const bool given = input_path != nullptr && output_path != nullptr;
  if (const int code = begin_call(given, options, report, settings)) return code;
  LeftOutCallback callback(settings);
  FileConversionJob job;
  set_job(settings, callback, report, job);
  job.input_path.bytes = input_path;
  job.output_path.bytes = output_path;
  // The side file's failure is the call's; its callback hears the recipes written cut too.
  job.side_path.bytes = settings.left_out_path;
  job.side_file_required = true;
  job.hooks.observer_hears_cut = true;
  FileConversion conversion;
  return hand_back(conversion.run(job), conversion, settings, report);
}
