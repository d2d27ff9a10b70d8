// One file's conversion, as every entry point runs it: ConvertMXP, the C API's path and stream
// forms (and through the latter the browser module), and mxpconvert. It opens the input and the
// output, chooses how the input is read (its encoding and marker line, and whether it is refused
// as binary), converts it in the format asked for, copies the recipes left out or written cut
// into the side file, puts the outputs in place or leaves their paths as they were, and reports.
// What differs between the entry points is in the job's hooks. This header is the core's whole
// interface: mxpconvert includes it and the public C API, nothing else of the library's inside.
#ifndef MIRTABEL_FILE_CONVERSION_FILE_CONVERSION_H
#define MIRTABEL_FILE_CONVERSION_FILE_CONVERSION_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "convert/conversion_observer.h"
#include "convert/conversion_options.h"
#include "convert/convert_mxp.h"
#include "convert/output_format.h"
#include "file_conversion/conversion_warnings.h"
#include "file_conversion/input_check.h"
#include "platform/byte_stream.h"
#include "platform/encoding_choice.h"
#include "platform/input_encoding.h"
#include "platform/temporary_file.h"

namespace mirtabel {

// A path in the form its caller has it: UTF-8 (on POSIX, any bytes), or wide characters. It is
// made the system's NativePath only while its file is opened, off the conversion's stack.
struct GivenPath {
  GivenPath() noexcept = default;
  GivenPath(const char* path) noexcept : bytes(path) {}    // NOLINT: either form converts
  GivenPath(const wchar_t* path) noexcept : wide(path) {}  // NOLINT

  const char* bytes = nullptr;
  const wchar_t* wide = nullptr;

  bool given() const noexcept { return bytes != nullptr || wide != nullptr; }
};

// What differs between the entry points.
struct FileConversionHooks {
  // Where the input's bytes are added up as they arrive, for a progress line; those of the
  // cookbook's second reading of a copy or of the input file apart.
  std::atomic<std::uint64_t>* bytes_read = nullptr;
  std::atomic<std::uint64_t>* bytes_read_again = nullptr;
  // Two notes, the output's and the side file's, where their temporary files are noted for a
  // signal handler to remove.
  TemporaryFileNote* notes = nullptr;
  // Refuse (EEXIST) to replace an existing output or side file.
  bool no_clobber = false;
  // Hears each recipe left out; with `observer_hears_cut` or a side file, each written cut too.
  ConversionObserver* observer = nullptr;
  bool observer_hears_cut = false;
  // Judge the warnings about the input, which FileConversion::warnings() gives after.
  bool warnings = false;
};

struct FileConversionJob {
  // The input: the file at `input_path`, else the caller's `input_stream`, else the standard
  // input. For the cookbook's second reading of a caller's stream, `input_again` gives it again
  // from its first byte; without it the first reading is copied into a scratch file.
  GivenPath input_path;
  ByteSource* input_stream = nullptr;
  ByteSource* input_again = nullptr;
  // The output: the file at `output_path`, else `output_stream`, else the standard output.
  GivenPath output_path;
  ByteSink* output_stream = nullptr;
  // The side file for the text of the recipes left out or written cut (none when not given), with
  // the output file's access, or the input's for an output written in place. With
  // `side_file_beside_output`, there is none for an output written in place. With
  // `side_file_required` its failure is the conversion's, found before the output is put in
  // place; else it is reported as FileOutcome::side_file_error once the output is.
  GivenPath side_path;
  bool side_file_beside_output = false;
  bool side_file_required = false;

  OutputFormat format = OutputFormat::kRecords;
  InputEncoding encoding = InputEncoding::kChoose;
  // The marker line, or "auto" for the scan to choose it; null: the input's first line.
  const char* marker = nullptr;
  // Where the marker used is written, null-terminated, when not null.
  char* marker_used = nullptr;
  std::size_t marker_used_room = 0;
  std::string_view title;  // the cookbook's (UTF-8); empty: "Cookbook"
  bool force = false;      // convert an input that looks binary rather than refuse it
  FileConversionHooks hooks;
};

// Which part of the work a failure concerns.
enum class FailedPart {
  kNone,
  kInput,
  kOutput,
  kSideFile,          // a required side file could not be written
  kSideFileIsOutput,  // the side file would land on the output
  kConversion,        // the structured formats' stores could not be had
  kScratch,           // the copy of an input that cannot be read twice, for the cookbook
  kNotText,           // the input looks binary, and was refused
};

struct FileOutcome {
  FailedPart failed = FailedPart::kNone;
  int error = 0;  // 0, or the errno value of the failure; the output is then unchanged
  // The conversion's own figures: the records written, the bytes read and written, how the input
  // was read and why, the recipes past the records' body limit (which JSON Lines and HTML keep).
  ConversionResult conversion;
  std::int32_t left_out = 0;  // recipes left out for their length
  std::int32_t cut = 0;       // JSON Lines or HTML: recipes too large to keep whole, written cut
  const char* not_text = nullptr;  // for kNotText: what the input looks like
  // Whether the job's side file was used (not for an output in place, when beside it only),
  // and for one not required, why it could not be written.
  bool side_file_in_use = false;
  int side_file_error = 0;
};

class CopiedInput;
class RoomyRecipeStores;

class FileConversion {
 public:
  FileConversion() noexcept;
  ~FileConversion();

  // Runs `job`. The records format takes no heap, and the frames of this call lie under the
  // conversion's within its stack bound. JSON Lines and HTML take the stores of the structured
  // export from the heap, and the warnings the checks of the input's start; both are kept until
  // this object goes.
  FileOutcome run(const FileConversionJob& job) noexcept;

  // After a run with FileConversionHooks::warnings that succeeded, its warnings; else null.
  const InputChecks* warnings() const noexcept { return judged_ ? checks_.get() : nullptr; }

 private:
  // With the side file's writer, or with a stand-in that takes no room, when there is none.
  template <typename SideFile>
  FileOutcome run_with(const FileConversionJob& job) noexcept;
  int prepare(const FileConversionJob& job, ByteSource& input, ByteSource*& source,
              ConversionOptions& options) noexcept;
  ConversionResult convert_structured(const FileConversionJob& job, ByteSource& input,
                                      CopiedInput& copied, ByteSink& output,
                                      const ConversionOptions& options,
                                      FileOutcome& outcome) noexcept;
  void judge(const FileConversionJob& job, const ConversionResult& result) noexcept;

  std::unique_ptr<RoomyRecipeStores> stores_;
  std::unique_ptr<InputChecks> checks_;
  // The marker the last run framed with (in checks_ or the job's); whether the scan for one
  // found none.
  const char* marker_text_ = nullptr;
  bool marker_not_found_ = false;
  bool judged_ = false;
};

}  // namespace mirtabel

#endif
