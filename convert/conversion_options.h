// How a conversion reads its input and whom it tells what. ConvertMXP uses the defaults.
#ifndef MIRTABEL_CONVERT_CONVERSION_OPTIONS_H
#define MIRTABEL_CONVERT_CONVERSION_OPTIONS_H

#include "convert/conversion_observer.h"
#include "convert/recipe_listener.h"
#include "platform/input_encoding.h"

namespace mirtabel {

struct ConversionOptions {
  // How input without a byte-order mark is decoded.
  InputEncoding encoding = InputEncoding::kUtf8;
  // When given, hears of every recipe left out.
  ConversionObserver* observer = nullptr;
  // When given, receives every recipe's lines instead of the output receiving flat records;
  // nothing is written to the output and no recipe is left out.
  RecipeListener* listener = nullptr;
};

}  // namespace mirtabel

#endif
