// mirtabel_convert_stream: the conversion API between the caller's read and write functions.
#include <cerrno>

#include "exports/api_outcome.h"
#include "exports/api_settings.h"
#include "exports/binary_input.h"
#include "exports/format_conversion.h"
#include "exports/left_out_reporter.h"
#include "exports/mirtabel.h"

namespace mirtabel {
namespace {

// The caller's input; with a rewind function, it starts the input over before its first read.
class CallbackSource final : public ByteSource {
 public:
  CallbackSource(mirtabel_read_function function, void* context,
                 mirtabel_rewind_function rewind = nullptr) noexcept
      : read_(function), rewind_(rewind), context_(context) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    if (rewind_ != nullptr) {
      const int error = rewind_(context_);
      rewind_ = nullptr;
      if (error != 0) return {0, error > 0 ? error : EIO};
    }
    const std::ptrdiff_t size = read_(context_, buffer, capacity);
    if (size < 0) return {0, size >= -0x7FFF ? static_cast<int>(-size) : EIO};
    // More than was asked for would have written past the buffer; stop before using it.
    if (static_cast<std::size_t>(size) > capacity) return {0, EIO};
    return {static_cast<std::size_t>(size), 0};
  }

 private:
  mirtabel_read_function read_;
  mirtabel_rewind_function rewind_;
  void* context_;
};

class CallbackSink final : public ByteSink {
 public:
  CallbackSink(mirtabel_write_function function, void* context) noexcept
      : write_(function), context_(context) {}

  int write(const unsigned char* bytes, std::size_t size) noexcept override {
    const int error = write_(context_, bytes, size);
    return error == 0 ? 0 : error > 0 ? error : EIO;
  }

 private:
  mirtabel_write_function write_;
  void* context_;
};

}  // namespace
}  // namespace mirtabel

extern "C" MIRTABEL_API int mirtabel_convert_stream(mirtabel_read_function read,
                                                    mirtabel_write_function write, void* context,
                                                    const mirtabel_options* options,
                                                    mirtabel_report* report) {
  using namespace mirtabel;
  ApiOutcome outcome;
  ApiSettings settings;
  if (read == nullptr || write == nullptr || !report_usable(report)) {
    outcome.fail(MIRTABEL_ERROR_OPTIONS);
    // A report smaller than this version's is not written at all.
    return hand_back(outcome, report_usable(report) ? report : nullptr);
  }
  if (const int code = read_settings(options, settings)) {
    outcome.fail(code);
    return hand_back(outcome, report);
  }
  // A stream cannot be read again for a side file; the callback gives each recipe's place.
  if (settings.left_out_path != nullptr) {
    outcome.fail(MIRTABEL_ERROR_OPTIONS);
    return hand_back(outcome, report);
  }
  CallbackSource input(read, context);
  BinaryCheck checked(input, nullptr);
  CallbackSink output(write, context);
  // The cookbook's second reading: the caller's input started over, else a copy of the first.
  const bool cookbook = settings.format == MIRTABEL_FORMAT_HTML;
  CopiedInput copied(settings.force ? static_cast<ByteSource&>(input) : checked, nullptr,
                     cookbook && settings.rewind == nullptr);
  outcome.take_copy_failure(copied, cookbook);
  if (outcome.code != MIRTABEL_OK) return hand_back(outcome, report);
  InputAgain spooled(copied);
  CallbackSource rewound(read, context, settings.rewind);
  LeftOutReporter reporter(settings, nullptr);
  ByteSource* again = settings.rewind != nullptr ? static_cast<ByteSource*>(&rewound) : &spooled;
  FormatConversion conversion;
  // Recipes written cut are only counted here, as they always were.
  ConversionObserver* observer = settings.format == MIRTABEL_FORMAT_RECORDS ? &reporter : nullptr;
  FormatJob job = format_job(settings, observer, again, report);
  outcome.take(conversion.run(copied, output, job));
  outcome.take_refusal(checked);
  outcome.left_out = reporter.count();
  outcome.take_copy_failure(copied, cookbook);
  outcome.tell_warnings(conversion, settings.warning, settings.warning_context);
  return hand_back(outcome, report);
}
