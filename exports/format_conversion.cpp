#include "exports/format_conversion.h"

#include <cerrno>
#include <new>

#include "recipes/convert_mxp_to_html.h"

namespace mirtabel {

FormatResult FormatConversion::run(ByteSource& input, ByteSink& output,
                                   const FormatJob& job) noexcept {
  FormatResult result;
  if (job.format == MIRTABEL_FORMAT_RECORDS) {
    result.conversion = convert_mxp(input, output, job.options);
    return result;
  }
  const bool cookbook = job.format == MIRTABEL_FORMAT_HTML;
  if (cookbook && job.again == nullptr) {
    result.conversion.error = EINVAL;
    result.conversion.failed_file = FailedFile::kInput;
    return result;
  }
  if (!stores_) stores_.reset(new (std::nothrow) RoomyRecipeStores);
  if (!stores_ || !stores_->allocated()) {
    stores_.reset();
    result.no_memory = true;
    result.conversion.error = ENOMEM;
    return result;
  }
  const JsonExportResult exported =
      cookbook ? convert_mxp_to_html(input, *job.again, output, job.options, stores_->stores(),
                                     job.title)
               : convert_mxp_to_json(input, output, job.options, stores_->stores());
  result.conversion = exported.conversion;
  result.cut = exported.cut_recipes;
  return result;
}

CopiedInput::CopiedInput(ByteSource& input, RandomAccessFile* regular, bool keep_copy) noexcept
    : input_(input), regular_(regular), copying_(keep_copy && regular == nullptr) {
  if (copying_) copy_error_ = copy_.create();
}

ReadResult CopiedInput::read(unsigned char* buffer, std::size_t capacity) noexcept {
  const ReadResult result = input_.read(buffer, capacity);
  if (copying_ && result.size > 0 && copy_error_ == 0)
    copy_error_ = copy_.write(buffer, result.size);
  return result;
}

int CopiedInput::rereadable(RandomAccessFile*& bytes) noexcept {
  if (regular_ != nullptr) {
    bytes = regular_;
    return 0;
  }
  if (!copying_) return ESPIPE;
  bytes = &copy_;
  return copy_error_;
}

ReadResult InputAgain::read(unsigned char* buffer, std::size_t capacity) noexcept {
  RandomAccessFile* bytes = nullptr;
  if (const int error = input_.rereadable(bytes)) return {0, error};
  const ReadResult result = bytes->read_at(offset_, buffer, capacity);
  offset_ += result.size;
  return result;
}

}  // namespace mirtabel
