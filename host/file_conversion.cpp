#include "host/file_conversion.h"

#include <new>

#include "convert/conversion_observer.h"
#include "convert/convert_mxp.h"
#include "host/argument_path.h"
#include "platform/byte_stream.h"
#include "platform/file.h"

namespace {

class CountingSource final : public mirtabel::ByteSource {
 public:
  explicit CountingSource(mirtabel::ByteSource& source) : source_(source) {}
  mirtabel::ReadResult read(unsigned char* buffer, std::size_t capacity) noexcept override {
    const mirtabel::ReadResult result = source_.read(buffer, capacity);
    bytes_ += result.size;
    return result;
  }
  std::uint64_t bytes() const { return bytes_; }

 private:
  mirtabel::ByteSource& source_;
  std::uint64_t bytes_ = 0;
};

class CountingSink final : public mirtabel::ByteSink {
 public:
  explicit CountingSink(mirtabel::ByteSink& sink) : sink_(sink) {}
  int write(const unsigned char* bytes, std::size_t size) noexcept override {
    const int error = sink_.write(bytes, size);
    if (error == 0) bytes_ += size;
    return error;
  }
  std::uint64_t bytes() const { return bytes_; }

 private:
  mirtabel::ByteSink& sink_;
  std::uint64_t bytes_ = 0;
};

class DroppedRecipes final : public mirtabel::ConversionObserver {
 public:
  DroppedRecipes(FileOutcome& outcome, bool keep_titles)
      : outcome_(outcome), keep_titles_(keep_titles) {}

  void recipe_dropped(const unsigned char* title_field, std::size_t size) noexcept override {
    ++outcome_.dropped;
    if (!keep_titles_) return;
    while (size > 0 && title_field[size - 1] == ' ')
      --size;
    try {
      outcome_.dropped_titles.emplace_back(reinterpret_cast<const char*>(title_field), size);
    } catch (const std::bad_alloc&) {
      // The count still tells; only this title goes unshown.
    }
  }

 private:
  FileOutcome& outcome_;
  bool keep_titles_;
};

}  // namespace

FileOutcome convert_file(const std::filesystem::path& input, const std::filesystem::path& output,
                         bool keep_titles) {
  FileOutcome outcome;
  const std::wstring input_path = library_path(input);
  const std::wstring output_path = library_path(output);
  mirtabel::InputFile input_file;
  if ((outcome.error = input_file.open(input_path.c_str())) != 0) return outcome;
  mirtabel::OutputFile output_file;
  if ((outcome.error = output_file.create(output_path.c_str(), input_file)) != 0) return outcome;

  CountingSource source(input_file);
  CountingSink sink(output_file);
  DroppedRecipes dropped(outcome, keep_titles);
  const mirtabel::ConversionResult result = mirtabel::convert_mxp(source, sink, &dropped);
  const int close_error = output_file.close();
  outcome.records = result.records;
  outcome.error = result.error != 0 ? result.error : close_error;
  outcome.bytes_read = source.bytes();
  outcome.bytes_written = sink.bytes();
  return outcome;
}
