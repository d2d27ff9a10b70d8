// Helpers of the hardening tests: a private temporary directory, whole-file reads and writes, and
// column-layout input built together with the records it must give.
#ifndef MIRTABEL_TESTS_HARDENING_HARDENING_SUPPORT_H
#define MIRTABEL_TESTS_HARDENING_HARDENING_SUPPORT_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/utf8.h"

namespace mirtabel::hardening {

// A directory of its own for one test, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0;; ++attempt) {
      path_ = base /
              ("mirtabel-hardening-" + std::to_string(std::rand()) + "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The wide form of an ASCII path, as ConvertMXP takes it.
inline std::wstring wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(stream.good()) << path;
}

inline std::string read_file(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// The marker line's text in every generated input.
inline const std::string kMarker = "*  Recipe export  *";

// The 100-character title field of a record for a title of valid UTF-8. Characters count in
// wchar_t: one beyond the Basic Multilingual Plane is two where wchar_t has 16 bits.
inline std::string title_field(const std::string& title) {
  std::string field;
  std::size_t chars = 0;
  for (std::size_t at = 0; at < title.size(); ++at) {
    const auto byte = static_cast<unsigned char>(title[at]);
    if ((byte & 0xC0) != 0x80) {
      if (chars + utf8::wide_width(byte) > 100) break;
      chars += utf8::wide_width(byte);
    }
    field += title[at];
  }
  return field + std::string(100 - chars, ' ');
}

// Column-layout input and the records it converts into, built side by side.
struct Sample {
  std::string input;
  std::string expected;
  int records = 0;

  // A recipe: the marker line, an empty line, the title, a rule, then the body lines, each
  // ended by `line_end`. The body lines become the record's body, each after a page mark.
  void add_recipe(const std::string& title, const std::vector<std::string>& body,
                  const std::string& line_end = "\n") {
    input += kMarker + line_end + line_end + title + line_end + "--------" + line_end;
    expected += title_field(title);
    for (const std::string& line : body) {
      input += line + line_end;
      expected += "[PAGE]" + line;
    }
    expected += "\n";
    ++records;
  }

  // Adds plain recipes until the input holds exactly `size` bytes; needs room for one recipe
  // (kFillerMinimum bytes, enough for its header with CR LF) when it is not there already.
  static constexpr std::size_t kFillerMinimum = 48;
  void fill_to(std::size_t size, const std::string& line_end = "\n") {
    const std::size_t header = kMarker.size() + 3 * line_end.size() + 6 + 8 + line_end.size();
    const std::size_t line_bytes = 60 + line_end.size();
    const std::size_t most = header + 100 * line_bytes;  // a body of 6,600 characters at most
    while (input.size() < size) {
      std::size_t bytes = size - input.size();
      if (bytes > most) bytes = bytes > 2 * most ? most : bytes / 2;
      ASSERT_GE(bytes, header) << "no room for a filler recipe";
      std::string title = "Filler";
      std::vector<std::string> body;
      std::size_t left = bytes - header;
      for (; left >= line_bytes; left -= line_bytes)
        body.push_back(std::string(60, 'f'));
      // The rest as a shorter line, or in the title when it is too short for a line end.
      if (left >= line_end.size()) {
        body.push_back(std::string(left - line_end.size(), 'f'));
      } else {
        title += std::string(left, 'f');
      }
      add_recipe(title, body, line_end);
    }
    ASSERT_EQ(input.size(), size);
  }
};

}  // namespace mirtabel::hardening

#endif
