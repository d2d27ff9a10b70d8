// The properties every conversion keeps, whatever its input: above all, the library's output and
// count equal those of the reference converter. The fuzz target checks them on each input it
// runs, and the hardening and reference tests on their generated inputs.
#ifndef MIRTABEL_FUZZ_CONVERSION_CHECKS_H
#define MIRTABEL_FUZZ_CONVERSION_CHECKS_H

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include "convert/record_builder.h"
#include "platform/simd_path.h"
#include "platform/utf8.h"
#include "tests/reference/reference_converter.h"
#include "tests/support/memory_streams.h"

namespace mirtabel::fuzzing {

// Length of the valid, shortest-form UTF-8 sequence at `at`, or 0.
inline std::size_t utf8_sequence_length(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// What is wrong with `output` as the result of a conversion that reported `records` records, or
// an empty string: every record is a line of at least 100 characters of valid UTF-8 (the title
// field, which holds no line feed) ending in a line feed, and there are `records` of them.
inline std::string check_records(const std::string& output, std::int32_t records) {
  const auto line_feeds = std::count(output.begin(), output.end(), '\n');
  if (line_feeds != records) {
    return "the result says " + std::to_string(records) + " records but the output holds " +
           std::to_string(line_feeds) + " line feeds";
  }
  if (!output.empty() && output.back() != '\n') return "the output does not end with a line feed";
  std::size_t line_chars = 0;
  for (std::size_t at = 0; at < output.size();) {
    const std::size_t length = utf8_sequence_length(output, at);
    if (length == 0) return "invalid UTF-8 at output byte " + std::to_string(at);
    if (output[at] == '\n') {
      if (line_chars < 100) {
        return "a line feed among the first 100 characters of the record ending at byte " +
               std::to_string(at);
      }
      line_chars = 0;
    } else {
      line_chars += utf8::wide_width(static_cast<unsigned char>(output[at]));  // in wchar_t
    }
    at += length;
  }
  return {};
}

// A number the fuzz targets take from the input's last two bytes, which a fuzzer changes freely,
// to vary the buffer sizes of their runs apart from the input's size.
inline std::size_t input_turn(const std::string& input) {
  if (input.size() < 2) return 0;
  return static_cast<unsigned char>(input[input.size() - 1]) * 256u +
         static_cast<unsigned char>(input[input.size() - 2]);
}

// A source that delivers the input whole, as far as each read can take.
inline constexpr std::size_t kWholeInput = static_cast<std::size_t>(-1);

// One way of running the library on an input: how the input is delivered, and the engine's
// options.
struct LibraryRun {
  std::size_t max_piece;  // the most bytes the source delivers per read
  ConversionOptions options;

  std::string name() const {
    std::string text = max_piece == kWholeInput
                           ? "the input whole"
                           : "the input in pieces of " + std::to_string(max_piece);
    if (options.simd_path)
      text += ", the " + std::string(simd_path_name(*options.simd_path)) + " loop";
    if (options.read_buffer_limit != 0) {
      text += ", reads of " + std::to_string(options.read_buffer_limit) + " bytes, writes at " +
              std::to_string(options.write_at) + ", an output capacity of " +
              std::to_string(options.output_capacity);
    }
    return text;
  }
};

// Every way the comparison with the reference runs the library: the input whole, as it comes;
// then once on each inner loop this processor runs, with the input in pieces, a read buffer and
// a write threshold of a few bytes, and an output buffer whose capacity starts at the room of
// one line, their sizes varying with the input (and with `turn`, which the fuzz targets take
// from theirs), so that every buffer boundary moves and records end at every offset of the
// output buffer. This is the one place that lists them; every comparison covers each of them.
inline std::vector<LibraryRun> library_runs(const std::string& input, std::size_t turn = 0) {
  std::vector<LibraryRun> runs = {{kWholeInput, ConversionOptions{}}};
  turn += input.size();
  for (const SimdPath path :
       {SimdPath::kPortable, SimdPath::kSse2, SimdPath::kAvx2, SimdPath::kNeon}) {
    if (!simd_path_available(path)) continue;
    ConversionOptions options;
    options.simd_path = path;
    options.read_buffer_limit = 8 + turn % 9;
    options.write_at = 1 + turn % 13;
    options.output_capacity = RecordBuilder::kLineRoom + turn * 7919 % (2 * input.size() + 1);
    runs.push_back({1 + turn % 7, options});
    ++turn;
  }
  return runs;
}

inline testing::Converted run_library(const LibraryRun& run, const std::string& input) {
  testing::MemorySource source(input, run.max_piece);
  testing::MemorySink sink;
  const ConversionResult result = convert_mxp(source, sink, run.options);
  return {sink.text(), result.records, result.error};
}

// `bytes` for a message: printable ASCII as it is, any other byte as \xNN.
inline std::string printable(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      shown += "\\n";
    } else if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown += c;
    } else {
      shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
    }
  }
  return shown;
}

// How the library's result `actual` departs from the reference's `expected`, or an empty string:
// the counts, and the first byte where the outputs differ, with the record it falls in and the
// bytes around it on both sides.
inline std::string describe_difference(const testing::Converted& actual,
                                       const reference::Converted& expected) {
  if (actual.error != 0) return "the conversion failed with errno " + std::to_string(actual.error);
  std::string difference;
  if (actual.records != expected.records) {
    difference = std::to_string(actual.records) + " records where the reference has " +
                 std::to_string(expected.records) + "; ";
  }
  if (actual.output == expected.output) return difference;
  const std::size_t common = std::min(actual.output.size(), expected.output.size());
  std::size_t at = 0;
  while (at < common && actual.output[at] == expected.output[at])
    ++at;
  const auto record = std::count(expected.output.begin(),
                                 expected.output.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  const std::size_t record_end = at == 0 ? std::string::npos : expected.output.rfind('\n', at - 1);
  const std::size_t in_record = record_end == std::string::npos ? at : at - record_end - 1;
  const std::size_t from = at < 40 ? 0 : at - 40;
  return difference + "the outputs (" + std::to_string(actual.output.size()) + " and " +
         std::to_string(expected.output.size()) + " bytes) first differ at byte " +
         std::to_string(at) + ", byte " + std::to_string(in_record) + " of record " +
         std::to_string(record + 1) + ":\n  library:   ..." +
         printable(actual.output.substr(from, at - from)) + " | " +
         printable(actual.output.substr(at, 40)) + "\n  reference: ..." +
         printable(expected.output.substr(from, at - from)) + " | " +
         printable(expected.output.substr(at, 40));
}

// How the library's runs on `input` depart from the reference's conversion of it, `expected`,
// or an empty string.
inline std::string find_reference_difference(const std::string& input,
                                             const reference::Converted& expected,
                                             std::size_t turn = 0) {
  for (const LibraryRun& run : library_runs(input, turn)) {
    const testing::Converted actual = run_library(run, input);
    if (std::string difference = describe_difference(actual, expected); !difference.empty()) {
      return "with " + run.name() + ": " + difference;
    }
  }
  return {};
}

// Input read on after a failed write: at most the rest of the line and the read buffer in hand.
inline constexpr std::size_t kReadAfterFailedWrite = 128 * 1024;

// A write that fails once, when the output would pass `limit` bytes, on a sink that takes writes
// again after it: the failure is reported, nothing more is written, what was written is the start
// of `full_output`, and the reading stops soon.
inline std::string find_failed_write_violation(const std::string& input,
                                               const std::string& full_output, std::size_t limit) {
  testing::MemorySource source(input);
  testing::MemorySink sink;
  sink.fail_after(limit, ENOSPC, testing::MemorySink::Failing::kOnce);
  sink.watch(source);
  const ConversionResult failed = convert_mxp(source, sink);
  if (failed.error != ENOSPC) {
    return "a failed write was reported as errno " + std::to_string(failed.error);
  }
  if (sink.writes_after_failure() != 0) {
    return std::to_string(sink.writes_after_failure()) + " writes followed a failed one";
  }
  if (full_output.compare(0, sink.text().size(), sink.text()) != 0) {
    return "after a failed write the output is not the start of the full output";
  }
  if (source.position() - sink.read_at_failure() > kReadAfterFailedWrite) {
    return "after a failed write " + std::to_string(source.position() - sink.read_at_failure()) +
           " more bytes of input were read";
  }
  return {};
}

// Converts `input` in memory several ways and returns what went wrong, or an empty string: every
// run of the library must give the reference's output and count, in well-formed records; a failed
// read or write must be reported and leave only the start of that output.
inline std::string find_violation(const std::string& input) {
  const reference::Converted expected = reference::convert(input);
  if (std::string difference = find_reference_difference(input, expected, input_turn(input));
      !difference.empty()) {
    return difference;
  }
  if (std::string problem = check_records(expected.output, expected.records); !problem.empty()) {
    return problem;
  }
  // A read that fails half-way: the failure is reported, and the output holds the whole records
  // written before it, as the full conversion wrote them, and as many as the result counts.
  if (!input.empty()) {
    testing::MemorySource source(input, 3);
    source.fail_at(input.size() / 2, EIO);
    testing::MemorySink sink;
    const ConversionResult failed = convert_mxp(source, sink);
    const std::string& written = sink.text();
    if (failed.error != EIO)
      return "a failed read was reported as errno " + std::to_string(failed.error);
    if (expected.output.compare(0, written.size(), written) != 0 ||
        (!written.empty() && written.back() != '\n')) {
      return "after a failed read the output is not whole records of the full output";
    }
    if (std::count(written.begin(), written.end(), '\n') != failed.records) {
      return "after a failed read the result does not count the records written";
    }
  }
  // A disk that fails half-way.
  if (!expected.output.empty()) {
    return find_failed_write_violation(input, expected.output, expected.output.size() / 2);
  }
  return {};
}

}  // namespace mirtabel::fuzzing

#endif
