// The properties every conversion keeps, whatever its input. The fuzz target checks them on each
// input it runs, and the hardening tests on their generated inputs.
#ifndef MIRTABEL_FUZZ_CONVERSION_CHECKS_H
#define MIRTABEL_FUZZ_CONVERSION_CHECKS_H

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>

#include "platform/utf8.h"
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

// Converts `input` in memory several ways and returns what went wrong, or an empty string: the
// conversion must succeed, give well-formed records, and give the same output when run again and
// when the input arrives in small pieces; a failed read or write must be reported and leave only
// the start of that output.
inline std::string find_violation(const std::string& input) {
  using testing::convert_text;
  const testing::Converted first = convert_text(input);
  if (first.error != 0) return "the conversion failed with errno " + std::to_string(first.error);
  if (std::string problem = check_records(first.output, first.records); !problem.empty()) {
    return problem;
  }
  // Pieces of one byte, and of a size that varies with the input, move every buffer boundary.
  const std::size_t piece_sizes[] = {0, 1, 2 + input.size() % 7};
  for (std::size_t piece : piece_sizes) {
    const testing::Converted again = piece == 0 ? convert_text(input) : convert_text(input, piece);
    const std::string how =
        piece == 0 ? "a second conversion" : "input in pieces of " + std::to_string(piece);
    if (again.error != 0 || again.records != first.records) {
      return how + " gave " + std::to_string(again.records) + " records (errno " +
             std::to_string(again.error) + ") instead of " + std::to_string(first.records);
    }
    if (again.output != first.output) return how + " gave a different output";
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
    if (first.output.compare(0, written.size(), written) != 0 ||
        (!written.empty() && written.back() != '\n')) {
      return "after a failed read the output is not whole records of the full output";
    }
    if (std::count(written.begin(), written.end(), '\n') != failed.records) {
      return "after a failed read the result does not count the records written";
    }
  }
  // A disk that fills half-way: the failure is reported and what was written is the start of the
  // full output.
  if (!first.output.empty()) {
    testing::MemorySource source(input);
    testing::MemorySink sink;
    sink.fail_after(first.output.size() / 2, ENOSPC);
    const ConversionResult failed = convert_mxp(source, sink);
    if (failed.error != ENOSPC) {
      return "a failed write was reported as errno " + std::to_string(failed.error);
    }
    if (first.output.compare(0, sink.text().size(), sink.text()) != 0) {
      return "after a failed write the output is not the start of the full output";
    }
  }
  return {};
}

}  // namespace mirtabel::fuzzing

#endif
