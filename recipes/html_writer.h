// A streaming HTML writer: markup and text go out as they are given, through a small buffer, so
// that a document of any size takes constant memory. Every text from a recipe passes through
// text(), the one place where HTML is escaped; markup() takes only string literals, so no
// recipe text can reach the output unescaped.
#ifndef MIRTABEL_RECIPES_HTML_WRITER_H
#define MIRTABEL_RECIPES_HTML_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_stream.h"
#include "recipes/buffered_output.h"

namespace mirtabel {

class HtmlWriter {
 public:
  explicit HtmlWriter(ByteSink& sink) noexcept : out_(sink), script_data_(*this) {}
  HtmlWriter(const HtmlWriter&) = delete;
  HtmlWriter& operator=(const HtmlWriter&) = delete;

  template <std::size_t N>
  void markup(const char (&literal)[N]) noexcept {
    put(literal, N - 1);
  }

  // UTF-8 text, fit for element content and for attribute values in double quotes: "&", "<",
  // ">" and '"' as character references; a byte that does not begin a valid sequence, a
  // control character other than tab, line feed and carriage return, and a noncharacter, all of
  // which HTML forbids, as U+FFFD.
  void text(std::string_view text) noexcept;

  void number(std::uint64_t value) noexcept;

  // Where the content of a <script type="application/ld+json"> element goes, as it is: for the
  // JSON of a JsonWriter, which writes no "<" and so nothing that could end the element.
  ByteSink& script_data() noexcept { return script_data_; }

  // Writes out what is buffered; returns error(). After a failure nothing more is written.
  int flush() noexcept { return out_.flush(); }
  int error() const noexcept { return out_.error(); }
  std::uint64_t bytes_written() const noexcept { return out_.bytes_written(); }

 private:
  class ScriptData final : public ByteSink {
   public:
    explicit ScriptData(HtmlWriter& html) noexcept : html_(html) {}
    int write(const unsigned char* bytes, std::size_t size) noexcept override {
      html_.put(reinterpret_cast<const char*>(bytes), size);
      return html_.error();
    }

   private:
    HtmlWriter& html_;
  };

  void put(const char* bytes, std::size_t size) noexcept { out_.put(bytes, size); }

  BufferedOutput out_;
  ScriptData script_data_;
};

}  // namespace mirtabel

#endif
