// The output formats and every name that goes with one: the name the tool, the C API, the page
// and the Python module take, the extension of an output file, the other extension that asks for
// the format, and how the side file of its recipes left out is named. The one table of them.
#ifndef MIRTABEL_CONVERT_OUTPUT_FORMAT_H
#define MIRTABEL_CONVERT_OUTPUT_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mirtabel {

// What an output holds: flat records, the structured export's JSON Lines, or its HTML cookbook.
// The values are the C API's MIRTABEL_FORMAT_* codes.
enum class OutputFormat : std::int32_t { kRecords = 0, kJson = 1, kHtml = 2 };

struct OutputFormatNames {
  OutputFormat format;
  const char* name;       // as --format and the API's name lookup take it
  const char* extension;  // of an output file written in the format
  const char* alias;      // another extension that asks for the format; null: none
  // The side file is the output's name with this extension in the place of the output's (the
  // records' "out.left-out.mxp", which users rely on) or after it ("out.jsonl.left-out.mxp"), so
  // that runs into outputs of one stem keep their side files apart.
  bool side_file_replaces_extension;
};

inline constexpr const char* kSideFileExtension = ".left-out.mxp";

inline constexpr OutputFormatNames kOutputFormats[] = {
    {OutputFormat::kRecords, "records", ".txt", nullptr, true},
    {OutputFormat::kJson, "json", ".jsonl", ".json", false},
    {OutputFormat::kHtml, "html", ".html", ".htm", false},
};

inline constexpr std::size_t kOutputFormatCount = sizeof kOutputFormats / sizeof kOutputFormats[0];

constexpr bool each_format_at_its_value() noexcept {
  for (std::size_t i = 0; i < kOutputFormatCount; ++i) {
    if (static_cast<std::size_t>(kOutputFormats[i].format) != i) return false;
  }
  return true;
}
static_assert(each_format_at_its_value());

// The names of `format`, which the table holds at the format's value.
constexpr const OutputFormatNames& output_format_names(OutputFormat format) noexcept {
  return kOutputFormats[static_cast<std::size_t>(format)];
}

// The format named `name`; null when there is none of that name.
constexpr const OutputFormatNames* output_format_named(std::string_view name) noexcept {
  for (const OutputFormatNames& names : kOutputFormats) {
    if (name == names.name) return &names;
  }
  return nullptr;
}

// The format whose extension (or alias) is `extension`, given in lower case; null: none.
constexpr const OutputFormatNames* output_format_of_extension(std::string_view extension) noexcept {
  for (const OutputFormatNames& names : kOutputFormats) {
    if (extension == names.extension || (names.alias != nullptr && extension == names.alias))
      return &names;
  }
  return nullptr;
}

}  // namespace mirtabel

#endif
