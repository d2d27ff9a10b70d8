// Files for the tests that go through the file system: a scratch directory, whole-file reads and
// writes by byte path, and column-layout recipes together with the records they convert to.
#ifndef MIRTABEL_TESTS_BOUNDARY_TEST_FILES_H
#define MIRTABEL_TESTS_BOUNDARY_TEST_FILES_H

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace mirtabel::testing {

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mirtabel-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  bool ok() const { return !path_.empty(); }
  // The byte path of `name` inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline bool write_file(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string read_file(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<missing>";
  std::string bytes;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

// An ASCII path as a wide path (the tests spell out the others).
inline std::wstring wide(const std::string& ascii_path) {
  return std::wstring(ascii_path.begin(), ascii_path.end());
}

// MXP text of column-layout recipes and the records a correct conversion writes for them.
struct RecipeFile {
  std::string text;
  std::string records;
  int count = 0;

  // Adds a recipe with an ASCII title of at most 100 characters and the given body lines.
  void add(const std::string& title, const std::vector<std::string>& body) {
    text += "*  Recipe export  *\r\n\r\n      " + title +
            "\r\n\r\nRecipe By : tests\r\n--------  ----\r\n";
    records += title + std::string(100 - title.size(), ' ');
    for (const std::string& line : body) {
      text += line + "\r\n";
      records += "[PAGE]" + line;
    }
    records += "\n";
    ++count;
  }
};

// Recipes with varied titles and bodies, about `bytes` of MXP text in all.
inline RecipeFile generated_recipes(std::size_t bytes) {
  RecipeFile file;
  for (int i = 0; file.text.size() < bytes; ++i) {
    std::vector<std::string> body;
    for (int line = 0; line < 3 + i % 5; ++line) {
      body.push_back("  " + std::to_string(i + line) + "  cups  ingredient " +
                     std::string(static_cast<std::size_t>(i % 40), 'x'));
    }
    body.push_back("");
    body.push_back("Mix and bake recipe " + std::to_string(i) + ".");
    file.add("Recipe number " + std::to_string(i), body);
  }
  return file;
}

}  // namespace mirtabel::testing

#endif
