// A streaming JSON writer: values go out as they are given, through a small buffer, so that any
// amount of JSON takes constant memory. Strings are escaped and always come out as valid UTF-8:
// a byte that does not begin a valid sequence is written as U+FFFD; control characters (C0, DEL,
// C1), the line and paragraph separators, the noncharacters and "<" are written as \u escapes,
// never raw, so that the JSON may stand as it is inside an HTML <script> element.
#ifndef MIRTABEL_RECIPES_JSON_WRITER_H
#define MIRTABEL_RECIPES_JSON_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_stream.h"
#include "recipes/buffered_output.h"

namespace mirtabel {

class JsonWriter {
 public:
  explicit JsonWriter(ByteSink& sink) noexcept : out_(sink) {}
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // The caller nests objects and arrays properly, at most 31 deep, and gives every value in an
  // object a key; the writer puts the commas and colons.
  void begin_object() noexcept { open('{'); }
  void end_object() noexcept { close('}'); }
  void begin_array() noexcept { open('['); }
  void end_array() noexcept { close(']'); }
  void key(std::string_view name) noexcept;
  void string(std::string_view text) noexcept;
  // A string given in pieces, each whole characters: begin_string(), string_piece() for each,
  // end_string().
  void begin_string() noexcept;
  void string_piece(std::string_view text) noexcept { escaped(text); }
  void end_string() noexcept { put('"'); }
  // A line feed after a whole value: the next value starts a new line (JSON Lines).
  void end_line() noexcept;

  // Writes out what is buffered; returns error(). After a failure nothing more is written.
  int flush() noexcept { return out_.flush(); }
  int error() const noexcept { return out_.error(); }
  std::uint64_t bytes_written() const noexcept { return out_.bytes_written(); }

 private:
  void open(char bracket) noexcept;
  void close(char bracket) noexcept;
  void separate() noexcept;  // a comma before every value but the first of its container
  void quoted(std::string_view text) noexcept;
  void escaped(std::string_view text) noexcept;  // a string's characters, without the quotes
  void put(const char* bytes, std::size_t size) noexcept { out_.put(bytes, size); }
  void put(char c) noexcept { put(&c, 1); }

  BufferedOutput out_;
  unsigned depth_ = 0;
  std::uint32_t has_values_ = 0;  // bit n: the container at depth n holds a value already
  bool after_key_ = false;
};

}  // namespace mirtabel

#endif
