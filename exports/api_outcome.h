// What a conversion API call hands back: a code, errno, and the report's figures.
#ifndef MIRTABEL_EXPORTS_API_OUTCOME_H
#define MIRTABEL_EXPORTS_API_OUTCOME_H

#include "exports/api_settings.h"
#include "exports/mirtabel.h"
#include "file_conversion/file_conversion.h"

namespace mirtabel {

// Tells the settings' warning callback of each warning of a conversion that succeeded, fills
// `report` (when not null), sets errno on failure, and returns the call's code.
int hand_back(const FileOutcome& outcome, const FileConversion& conversion,
              const ApiSettings& settings, mirtabel_report* report) noexcept;

// Refuses a call before anything is opened, with `code` and the errno value that goes with it.
int refuse(int code, mirtabel_report* report) noexcept;

}  // namespace mirtabel

#endif
