// What a conversion API call hands back: a code, errno, and the report's figures.
#ifndef MIRTABEL_EXPORTS_API_OUTCOME_H
#define MIRTABEL_EXPORTS_API_OUTCOME_H

#include "exports/api_settings.h"
#include "exports/mirtabel.h"
#include "file_conversion/file_conversion.h"

namespace mirtabel {

// Checks a call's arguments and reads its options into `settings`. Returns MIRTABEL_OK, or the
// code the call is refused with, its report written.
int begin_call(bool arguments_given, const mirtabel_options* options, mirtabel_report* report,
               ApiSettings& settings) noexcept;

// Tells the settings' warning callback of each warning of a conversion that succeeded, fills
// `report` (when not null), sets errno on failure, and returns the call's code.
int hand_back(const FileOutcome& outcome, const FileConversion& conversion,
              const ApiSettings& settings, mirtabel_report* report) noexcept;

// Refuses a call before anything is opened, with `code` and the errno value that goes with it.
int refuse(int code, mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
