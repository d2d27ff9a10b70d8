// The conversion that both forms of the API run, on any byte source and sink: the one the
// browser module runs on its JavaScript streams, in the format the options ask for.
#ifndef MIRTABEL_EXPORTS_FORMAT_CONVERSION_H
#define MIRTABEL_EXPORTS_FORMAT_CONVERSION_H

#include "convert/conversion_observer.h"
#include "exports/api_outcome.h"
#include "exports/api_settings.h"
#include "platform/byte_stream.h"

namespace mirtabel {

// Converts `input` into `output` in settings.format, with settings.encoding, telling `observer`
// (which may be null) of each recipe left out. Records: no heap, the stack of convert_mxp. JSON
// Lines: the heap stores of the structured export, for the call.
ApiOutcome convert_in_format(ByteSource& input, ByteSink& output, const ApiSettings& settings,
                             ConversionObserver* observer) noexcept;

}  // namespace mirtabel

#endif
