// How a conversion reads its input and whom it tells what. ConvertMXP uses the defaults.
#ifndef MIRTABEL_CONVERT_CONVERSION_OPTIONS_H
#define MIRTABEL_CONVERT_CONVERSION_OPTIONS_H

#include <cstddef>
#include <optional>

#include "convert/conversion_observer.h"
#include "convert/recipe_listener.h"
#include "platform/input_encoding.h"
#include "platform/simd_path.h"

namespace mirtabel {

class RandomAccessFile;

struct ConversionOptions {
  // How input without a byte-order mark is decoded.
  InputEncoding encoding = InputEncoding::kUtf8;
  // For kChoose: the input as a file that can be read at any offset, when it is one, so that the
  // code page is chosen from all of it rather than from the bytes read so far.
  RandomAccessFile* whole_input = nullptr;
  // When given, hears of every recipe left out.
  ConversionObserver* observer = nullptr;
  // When given, receives every recipe's lines instead of the output receiving flat records;
  // nothing is written to the output and no recipe is left out.
  RecipeListener* listener = nullptr;
  // The marker line, when not the input's first: a text (UTF-8, without a line feed) that a line
  // ends with, or with `marker_spacing_ignored` equals but for spacing. Lines before the first
  // such line are skipped.
  const char* marker = nullptr;
  std::size_t marker_size = 0;
  bool marker_spacing_ignored = false;
  // When given, receives the marker's text as the conversion used it, cut to
  // `marker_used_room` bytes with its null.
  char* marker_used = nullptr;
  std::size_t marker_used_room = 0;

  // For tests and the fuzzer, which run every inner loop and every buffer boundary on one
  // build: an inner loop to use instead of the chosen one (when available), a smaller share of
  // the read buffer to fill per read (0: all of it; else at least 8 bytes), an amount of
  // finished output that is written at once instead of when its room is needed (0: never), and
  // a smaller capacity of the output buffer (0: all of it), which a record that needs more
  // still gets, so that record boundaries fall at every offset of the buffer with small inputs.
  std::optional<SimdPath> simd_path;
  std::size_t read_buffer_limit = 0;
  std::size_t write_at = 0;
  std::size_t output_capacity = 0;
};

}  // namespace mirtabel

#endif
