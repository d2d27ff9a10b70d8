// The conversion every host runs, on any byte source and sink, in the format asked for: the C
// API's path and stream forms, mxpconvert and the browser module all dispatch here.
#ifndef MIRTABEL_FILE_CONVERSION_FORMAT_CONVERSION_H
#define MIRTABEL_FILE_CONVERSION_FORMAT_CONVERSION_H

#include <cstdint>
#include <memory>
#include <string_view>

#include "convert/conversion_observer.h"
#include "convert/conversion_options.h"
#include "convert/convert_mxp.h"
#include "exports/mirtabel.h"
#include "file_conversion/conversion_warnings.h"
#include "platform/byte_stream.h"
#include "platform/file.h"
#include "recipes/convert_mxp_to_json.h"

namespace mirtabel {

struct FormatJob {
  int format = MIRTABEL_FORMAT_RECORDS;
  // The encoding, and the observer that hears of each recipe the records format leaves out, or
  // JSON Lines and HTML write cut.
  ConversionOptions options;
  // For the cookbook: the input again from its first byte, for the second reading, and its
  // title (UTF-8; empty: "Cookbook").
  ByteSource* again = nullptr;
  std::string_view title;
  // The marker line (null: the first line), or "auto" for the scan to choose it.
  const char* marker = nullptr;
  // Whether to judge the warnings, which takes InputChecks from the heap.
  bool warnings = false;
};

struct FormatResult {
  // The figures and the failure; for the cookbook those of the second reading.
  ConversionResult conversion;
  std::int32_t cut = 0;    // JSON Lines or HTML: recipes too large to keep whole, written cut
  bool no_memory = false;  // the structured formats' stores could not be had: nothing was read
};

class FormatConversion {
 public:
  // Converts `input` into `output` as `job` says. Records: no heap, the stack of convert_mxp.
  // JSON Lines and HTML: the stores of the structured export from the heap, kept until this
  // object goes, with the stack of convert_mxp_to_json (or _to_html). A cookbook without
  // `job.again` fails with EINVAL before anything is read.
  // The job's options take the marker chosen.
  FormatResult run(ByteSource& input, ByteSink& output, FormatJob& job) noexcept;

  // After a run with FormatJob::warnings that succeeded, its warnings; else null.
  const InputChecks* warnings() const noexcept { return judged_ ? checks_.get() : nullptr; }

 private:
  // JSON Lines and HTML, out of line: their temporaries stay off the records' stack.
  void run_structured(ByteSource& input, ByteSink& output, const FormatJob& job,
                      FormatResult& result) noexcept;
  int prepare(FormatJob& job, ByteSource& input, ByteSource*& source) noexcept;
  void judge(const FormatJob& job, FormatResult& result) noexcept;

  std::unique_ptr<RoomyRecipeStores> stores_;
  std::unique_ptr<InputChecks> checks_;
  // The marker the last run framed with (in checks_ or the job's); whether the scan for one
  // found none.
  const char* marker_text_ = nullptr;
  bool marker_not_found_ = false;
  bool judged_ = false;
};

// An input read through, and copied on the way into a scratch file when it cannot be read twice
// (a pipe) but will have to be: for the cookbook's second reading, or for the text of recipes
// left out or cut.
class CopiedInput final : public ByteSource {
 public:
  // `input` is read; `regular` is the same input where it can be read at any offset, else null.
  CopiedInput(ByteSource& input, RandomAccessFile* regular, bool keep_copy) noexcept;

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

  // Where the input's bytes can be read again, or why they cannot: returns 0 or an errno value.
  // The copy is whole only once the input has been read to its end.
  int rereadable(RandomAccessFile*& bytes) noexcept;
  // Why the copy could not be made or written, or 0: known from the start when the scratch file
  // could not be created, so that a reading that needs it fails before it begins.
  int copy_error() const noexcept { return copy_error_; }

 private:
  ByteSource& input_;
  RandomAccessFile* regular_;
  bool copying_;
  ScratchFile copy_;
  int copy_error_ = 0;
};

// The input read again from its start, for the cookbook's second reading, through
// CopiedInput::rereadable() once the first reading has ended.
class InputAgain final : public ByteSource {
 public:
  explicit InputAgain(CopiedInput& input) noexcept : input_(input) {}

  ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override;

 private:
  CopiedInput& input_;
  std::uint64_t offset_ = 0;
};

}  // namespace mirtabel

#endif
