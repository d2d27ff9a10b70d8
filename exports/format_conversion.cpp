#include "exports/format_conversion.h"

#include "convert/convert_mxp.h"
#include "recipes/convert_mxp_to_json.h"

namespace mirtabel {

ApiOutcome convert_in_format(ByteSource& input, ByteSink& output, const ApiSettings& settings,
                             ConversionObserver* observer) noexcept {
  ConversionOptions options;
  options.encoding = settings.encoding;
  options.observer = observer;
  ApiOutcome outcome;
  if (settings.format == MIRTABEL_FORMAT_JSON_LINES) {
    const RoomyRecipeStores stores;
    if (!stores.allocated()) {
      outcome.fail(MIRTABEL_ERROR_NO_MEMORY);
      return outcome;
    }
    const JsonExportResult result = convert_mxp_to_json(input, output, options, stores.stores());
    outcome.take(result.conversion);
    outcome.cut = result.cut_recipes;
  } else {
    outcome.take(convert_mxp(input, output, options));
  }
  return outcome;
}

}  // namespace mirtabel
