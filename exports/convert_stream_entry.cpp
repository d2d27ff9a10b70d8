// mirtabel_convert_stream: the conversion API between the caller's read and write functions.
#include <cerrno>

#include "exports/api_outcome.h"
#include "exports/api_settings.h"
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
  ApiSettings settings;
  if (const int code = begin_call(read != nullptr && write != nullptr, options, report, settings))
    return code;
  // A stream cannot be read again for a side file; the callback gives each recipe's place.
  if (settings.left_out_path != nullptr) return refuse(MIRTABEL_ERROR_OPTIONS, report);
  LeftOutCallback callback(settings);
  FileConversionJob job;
  set_job(settings, callback, report, job);
  CallbackSource input(read, context);
  CallbackSink output(write, context);
  job.input_stream = &input;
  job.output_stream = &output;
  // The cookbook's second reading: the caller's input started over, else a copy of the first.
  CallbackSource rewound(read, context, settings.rewind);
  if (settings.rewind != nullptr) job.input_again = &rewound;
  FileConversion conversion;
  return hand_back(conversion.run(job), conversion, settings, report);
}
