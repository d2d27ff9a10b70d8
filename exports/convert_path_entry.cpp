// mirtabel_convert: the conversion API on two files named by UTF-8 paths, with the side file.
#include <cstring>

#include "exports/api_outcome.h"
#include "exports/api_settings.h"
#include "exports/binary_input.h"
#include "exports/format_conversion.h"
#include "exports/left_out_reporter.h"
#include "exports/left_out_side_file.h"
#include "exports/mirtabel.h"
#include "platform/file_identity.h"
#include "platform/native_path.h"

namespace mirtabel {
namespace {

// Whether the side file would land on the output, under whatever spelling: the later rename
// would replace it. Other paths that cannot be looked at are left to fail when they are opened.
[[gnu::noinline]] bool side_file_is_output(const char* side_path,
                                           const char* output_path) noexcept {
  if (std::strcmp(side_path, output_path) == 0) return true;
  wchar_t wide[kMaxWidePath];
  FileIdentity side, output;
  return from_utf8_path(side_path, wide, kMaxWidePath) == 0 && identify_file(wide, side) == 0 &&
         from_utf8_path(output_path, wide, kMaxWidePath) == 0 && identify_file(wide, output) == 0 &&
         is_same_file(side, output);
}

// Opens the input and prepares the output and, when asked for, the side file, noting a failure
// in `outcome`. Kept out of line, so that its wide path, 16 KiB where wchar_t has 32 bits, is off
// the stack before the conversion starts; the outcome is filled in place rather than returned,
// so that the caller's frame, which lies under the conversion, holds no second one.
[[gnu::noinline]] void open_files(const char* input_path, const char* output_path,
                                  const char* side_path, InputFile& input, OutputFile& output,
                                  LeftOutSideFile& side_file, ApiOutcome& outcome) noexcept {
  wchar_t wide[kMaxWidePath];
  int error = from_utf8_path(input_path, wide, kMaxWidePath);
  if (error == 0) error = input.open(wide);
  if (error != 0) {
    outcome.fail(MIRTABEL_ERROR_INPUT, error);
    return;
  }
  if (side_path != nullptr && (error = side_file.open_input(wide, input)) != 0) {
    outcome.fail(MIRTABEL_ERROR_LEFT_OUT_FILE, error);
    return;
  }
  error = from_utf8_path(output_path, wide, kMaxWidePath);
  if (error == 0) error = output.create(wide, input);
  if (error != 0) {
    outcome.fail(MIRTABEL_ERROR_OUTPUT, error);
    return;
  }
  if (side_path != nullptr) {
    error = from_utf8_path(side_path, wide, kMaxWidePath);
    if (error == 0) error = side_file.create(wide, input);
    if (error != 0) outcome.fail(MIRTABEL_ERROR_LEFT_OUT_FILE, error);
  }
}

}  // namespace
}  // namespace mirtabel

extern "C" MIRTABEL_API int mirtabel_convert(const char* input_path, const char* output_path,
                                             const mirtabel_options* options,
                                             mirtabel_report* report) {
  using namespace mirtabel;
  ApiOutcome outcome;
  ApiSettings settings;
  if (input_path == nullptr || output_path == nullptr || !report_usable(report)) {
    outcome.fail(MIRTABEL_ERROR_OPTIONS);
    // A report smaller than this version's is not written at all.
    return hand_back(outcome, report_usable(report) ? report : nullptr);
  }
  if (const int code = read_settings(options, settings)) {
    outcome.fail(code);
    return hand_back(outcome, report);
  }
  const char* side_path = settings.left_out_path;
  if (side_path != nullptr && side_file_is_output(side_path, output_path)) {
    outcome.fail(MIRTABEL_ERROR_OPTIONS);
    return hand_back(outcome, report);
  }
  // Destroyed in the reverse order: a side file that was not put in place loses its temporary
  // file, then the output, then the inputs close.
  InputFile input;
  OutputFile output;
  LeftOutSideFile side_file;
  open_files(input_path, output_path, side_path, input, output, side_file, outcome);
  if (outcome.code != MIRTABEL_OK) return hand_back(outcome, report);

  // An input that cannot be read twice (a FIFO) is copied as it is read when it must be read
  // again: for the cookbook's second reading, or for the side file, which reads each recipe's
  // text from the copy once the conversion has read past it.
  const bool cookbook = settings.format == MIRTABEL_FORMAT_HTML;
  RandomAccessFile* const regular = input.is_regular() ? &input : nullptr;
  BinaryCheck checked(input, regular);
  CopiedInput copied(settings.force ? static_cast<ByteSource&>(input) : checked, regular,
                     cookbook || side_path != nullptr);
  outcome.take_copy_failure(copied, cookbook);
  if (outcome.code != MIRTABEL_OK) return hand_back(outcome, report);
  RandomAccessFile* bytes = nullptr;
  if (side_path != nullptr && !input.is_regular() && copied.rereadable(bytes) == 0)
    side_file.read_from(*bytes);
  InputAgain again(copied);
  LeftOutReporter reporter(settings, side_path != nullptr ? &side_file : nullptr);
  FormatConversion conversion;
  FormatJob job = format_job(settings, &reporter, &again, report, regular);
  outcome.take(conversion.run(copied, output, job));
  outcome.take_refusal(checked);
  outcome.left_out = reporter.count();
  outcome.take_copy_failure(copied, cookbook);
  if (outcome.code != MIRTABEL_OK) return hand_back(outcome, report);
  // The side file first: when it fails, the output is not replaced either.
  if (side_path != nullptr) {
    if (const int error = side_file.commit()) {
      outcome.fail(MIRTABEL_ERROR_LEFT_OUT_FILE, error);
      return hand_back(outcome, report);
    }
  }
  if (const int error = output.commit()) outcome.fail(MIRTABEL_ERROR_OUTPUT, error);
  outcome.tell_warnings(conversion, settings.warning, settings.warning_context);
  return hand_back(outcome, report);
}
