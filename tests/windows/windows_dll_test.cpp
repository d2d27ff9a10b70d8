// Mirtabel.dll as a Windows host uses it: loaded with LoadLibraryW, ConvertMXP found by name and
// by ordinal, the fixed exports reached through the import library, and every conversion
// compared byte for byte with the output of the Linux build of the same sources. The conversion
// API too: found at its ordinals, on UTF-8 paths, with its side file and its stream form.
#include <windows.h>

#include <gtest/gtest.h>
#include <mirtabel_fixed.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using ConvertFunction = int32_t (*)(const wchar_t*, const wchar_t*);

class LoadedLibrary {
 public:
  LoadedLibrary() : module_(LoadLibraryW(L"Mirtabel.dll")) {}
  ~LoadedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  HMODULE get() const { return module_; }

  FARPROC by_name(const char* name) const { return GetProcAddress(module_, name); }
  FARPROC by_ordinal(WORD ordinal) const {
    return GetProcAddress(module_, MAKEINTRESOURCEA(ordinal));
  }

  ConvertFunction convert_by_ordinal() const {
    return reinterpret_cast<ConvertFunction>(reinterpret_cast<void*>(by_ordinal(1)));
  }

 private:
  HMODULE module_;
};

std::wstring widen(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                       static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                      wide.data(), size);
  return wide;
}

std::string narrow(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::string read_file(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  EXPECT_TRUE(in) << "cannot read the output";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pairs of (input, the Linux build's output) named by the build.
std::vector<std::pair<std::string, std::string>> reference_pairs() {
  std::ifstream manifest(MIRTABEL_REFERENCE_MANIFEST);
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string input, expected;
  while (std::getline(manifest, input) && std::getline(manifest, expected))
    pairs.emplace_back(input, expected);
  return pairs;
}

// A fresh folder for this test's outputs, removed with its files when the test ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp, length) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    created_ = CreateDirectoryW(path_.c_str(), nullptr) != 0;
  }
  ~ScratchFolder() {
    for (const std::wstring& file : files_)
      DeleteFileW(file.c_str());
    RemoveDirectoryW(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool created() const { return created_; }
  std::wstring file(const std::wstring& name) {
    files_.push_back(path_ + L"\\" + name);
    return files_.back();
  }

 private:
  std::wstring path_;
  bool created_ = false;
  std::vector<std::wstring> files_;
};

TEST(windows_dll, finds_each_export_by_name_at_its_ordinal_and_nothing_past_them) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr) << "LoadLibraryW failed: " << GetLastError();
  const char* const names[] = {"ConvertMXP",
                               "_ZN9CMirtabelC1Ev",
                               "_ZN9CMirtabelaSERKS_",
                               "_Z10fnMirtabelv",
                               "nMirtabel",
                               "mirtabel_convert",
                               "mirtabel_convert_stream",
                               "mirtabel_error_name",
                               "mirtabel_version",
                               "mirtabel_version_number",
                               "mirtabel_format_from_name",
                               "mirtabel_format_name"};
  for (WORD ordinal = 1; ordinal <= 12; ++ordinal) {
    const char* name = names[ordinal - 1];
    EXPECT_NE(library.by_name(name), nullptr) << name;
    EXPECT_EQ(library.by_name(name), library.by_ordinal(ordinal)) << name;
  }
  EXPECT_EQ(library.by_ordinal(13), nullptr);
  EXPECT_EQ(library.by_name("_ZN9CMirtabelC2Ev"), nullptr);
  EXPECT_EQ(library.by_name("DllMain"), nullptr);
}

TEST(windows_dll, import_library_reaches_the_same_functions_and_the_fixed_exports) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(library.by_name("ConvertMXP")),
            reinterpret_cast<void*>(&ConvertMXP));
  EXPECT_EQ(reinterpret_cast<void*>(library.by_ordinal(4)), reinterpret_cast<void*>(&fnMirtabel));
  EXPECT_EQ(fnMirtabel(), 42);
  EXPECT_EQ(reinterpret_cast<void*>(library.by_ordinal(5)), static_cast<void*>(&nMirtabel));
  EXPECT_EQ(nMirtabel, 0);
  CMirtabel a;
  CMirtabel b;
  EXPECT_EQ(&(b = a), &b);
}

TEST(windows_dll, converts_every_input_as_the_linux_build_does) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr);
  const ConvertFunction convert = library.convert_by_ordinal();
  ASSERT_NE(convert, nullptr);
  ScratchFolder folder(L"mirtabel-outputs");
  ASSERT_TRUE(folder.created());
  const auto pairs = reference_pairs();
  ASSERT_FALSE(pairs.empty()) << "no reference outputs: " << MIRTABEL_REFERENCE_MANIFEST;
  int index = 0;
  for (const auto& [input, expected_path] : pairs) {
    SCOPED_TRACE(input);
    const std::wstring output = folder.file(std::to_wstring(index++) + L".txt");
    const int32_t records = convert(widen(input).c_str(), output.c_str());
    ASSERT_GE(records, 0) << "errno " << errno;
    const std::string expected = read_file(widen(expected_path));
    EXPECT_EQ(read_file(output), expected);
    std::size_t lines = 0;
    for (char c : expected)
      lines += c == '\n';
    EXPECT_EQ(static_cast<std::size_t>(records), lines);
  }
}

// Non-ASCII folder and file names reach CreateFileW intact: Latin, CJK and a character outside
// the Basic Multilingual Plane (a surrogate pair in the path).
TEST(windows_dll, converts_under_a_path_with_non_ascii_characters) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr);
  ScratchFolder folder(L"Rezepte \u00fcber \u65e5\u672c \U0001F372");
  ASSERT_TRUE(folder.created());
  const auto pairs = reference_pairs();
  ASSERT_FALSE(pairs.empty());
  const std::wstring input = folder.file(L"K\u00fcche \u2615.mxp");
  ASSERT_TRUE(CopyFileW(widen(pairs.front().first).c_str(), input.c_str(), FALSE));
  const std::wstring output = folder.file(L"Ergebnis \u00e9t\u00e9 \U0001F372.txt");
  EXPECT_GE(library.convert_by_ordinal()(input.c_str(), output.c_str()), 0) << "errno " << errno;
  EXPECT_EQ(read_file(output), read_file(widen(pairs.front().second)));
}

// An existing output is replaced in one step once the conversion is complete, and no temporary
// file stays beside it. (tests/hardening/system_calls_test.cpp fails each step on the way.)
TEST(windows_dll, replaces_an_existing_output_only_when_complete) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr);
  const ConvertFunction convert = library.convert_by_ordinal();
  ScratchFolder folder(L"mirtabel-replace");
  ASSERT_TRUE(folder.created());
  const auto pairs = reference_pairs();
  ASSERT_FALSE(pairs.empty());
  const std::wstring input = folder.file(L"in.mxp");
  ASSERT_TRUE(CopyFileW(widen(pairs.front().first).c_str(), input.c_str(), FALSE));
  const std::wstring output = folder.file(L"out.txt");
  std::ofstream(std::filesystem::path(output), std::ios::binary) << "the previous output";

  EXPECT_GE(convert(input.c_str(), output.c_str()), 0) << "errno " << errno;
  EXPECT_EQ(read_file(output), read_file(widen(pairs.front().second)));
  std::vector<std::wstring> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(output).parent_path())) {
    names.push_back(entry.path().filename().wstring());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"in.mxp", L"out.txt"}));
}

// The refusals that the Windows file layer decides itself, through the DLL as a host calls it.
TEST(windows_dll, reports_windows_file_failures_as_errno) {
  LoadedLibrary library;
  ASSERT_NE(library.get(), nullptr);
  const ConvertFunction convert = library.convert_by_ordinal();
  ScratchFolder folder(L"mirtabel-failures");
  ASSERT_TRUE(folder.created());
  const auto pairs = reference_pairs();
  ASSERT_FALSE(pairs.empty());
  const std::wstring input = folder.file(L"in.mxp");
  ASSERT_TRUE(CopyFileW(widen(pairs.front().first).c_str(), input.c_str(), FALSE));
  const std::string original = read_file(input);
  const std::wstring link = folder.file(L"link.mxp");
  ASSERT_TRUE(CreateHardLinkW(link.c_str(), input.c_str(), nullptr));
  const std::wstring missing = folder.file(L"missing.mxp");
  const std::wstring output = folder.file(L"out.txt");
  const std::wstring sub_folder = folder.file(L"sub");
  ASSERT_TRUE(CreateDirectoryW(sub_folder.c_str(), nullptr));

  const struct {
    const char* what;
    std::wstring in, out;
    int error;
  } cases[] = {
      {"output is the input", input, input, EINVAL},
      {"output is a hard link to the input", input, link, EINVAL},
      {"output is the input spelt with forward slashes and another case",
       [&] {
         std::wstring s = input;
         for (wchar_t& c : s)
           c = c == L'\\' ? L'/' : static_cast<wchar_t>(towupper(c));
         return s;
       }(),
       input, EINVAL},
      {"input is missing", missing, output, ENOENT},
      {"input is a folder", sub_folder, output, EISDIR},
      {"output is in a missing folder", input, missing + L"\\out.txt", ENOENT},
      {"output is a folder", input, sub_folder, EISDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    errno = 0;
    EXPECT_EQ(convert(c.in.c_str(), c.out.c_str()), -1);
    EXPECT_EQ(errno, c.error);
  }
  RemoveDirectoryW(sub_folder.c_str());
  EXPECT_EQ(read_file(input), original);
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The conversion API through the import library, on UTF-8 paths with characters beyond ASCII and
// the Basic Multilingual Plane: the archive with one recipe over the limit converts with the
// recipe reported and its bytes in the side file, and the stream form writes the same records,
// and the same cookbook.
TEST(windows_dll, conversion_api_reports_and_keeps_the_recipe_left_out) {
  ScratchFolder folder(L"Rezepte \u00fcber \U0001F372 api");
  ASSERT_TRUE(folder.created());
  const std::wstring input = folder.file(L"K\u00fcche.mxp");
  ASSERT_TRUE(CopyFileW(widen(MIRTABEL_LONG_ARCHIVE).c_str(), input.c_str(), FALSE));
  const std::wstring output = folder.file(L"\u65e5\u672c.txt");
  const std::wstring side = folder.file(L"\u65e5\u672c.left-out.mxp");
  struct Heard {
    int calls = 0;
    std::string title;
    std::uint64_t begin = 0, end = 0, first_line_end = 0;
  } heard;
  mirtabel_options options{};
  options.size = sizeof options;
  const std::string side_path = narrow(side);
  options.left_out_path = side_path.c_str();
  options.left_out = [](void* context, const mirtabel_left_out* recipe) {
    auto* h = static_cast<Heard*>(context);
    ++h->calls;
    h->title = recipe->title;
    h->begin = recipe->begin;
    h->end = recipe->end;
    h->first_line_end = recipe->first_line_end;
  };
  options.left_out_context = &heard;
  mirtabel_report report{};
  report.size = sizeof report;
  ASSERT_EQ(mirtabel_convert(narrow(input).c_str(), narrow(output).c_str(), &options, &report),
            MIRTABEL_OK)
      << "errno " << errno;
  const std::string archive = read_file(input), records = read_file(output);
  EXPECT_EQ(report.records, 2);
  EXPECT_EQ(report.left_out, 1);
  EXPECT_EQ(report.bytes_read, archive.size());
  EXPECT_EQ(report.bytes_written, records.size());
  ASSERT_EQ(heard.calls, 1);
  EXPECT_EQ(heard.title, "Endless Stew");
  ASSERT_LE(heard.end, archive.size());
  EXPECT_EQ(read_file(side), archive.substr(0, heard.first_line_end) +
                                 archive.substr(heard.begin, heard.end - heard.begin));

  struct Streams {
    const std::string* input;
    std::size_t at = 0;
    std::string output;
  } streams{};
  streams.input = &archive;
  options.left_out_path = nullptr;
  const auto read = [](void* context, unsigned char* buffer, size_t capacity) -> ptrdiff_t {
    auto* s = static_cast<Streams*>(context);
    const std::size_t size = std::min(capacity, s->input->size() - s->at);
    std::copy_n(s->input->data() + s->at, size, buffer);
    s->at += size;
    return static_cast<ptrdiff_t>(size);
  };
  const auto write = [](void* context, const unsigned char* bytes, size_t size) {
    static_cast<Streams*>(context)->output.append(reinterpret_cast<const char*>(bytes), size);
    return 0;
  };
  EXPECT_EQ(mirtabel_convert_stream(read, write, &streams, &options, &report), MIRTABEL_OK);
  EXPECT_EQ(streams.output, records);
  EXPECT_EQ(heard.calls, 2);

  // The cookbook reads its input twice: the file again, or the stream through a scratch copy.
  // Both write what the Linux build writes.
  options.format = MIRTABEL_FORMAT_HTML;
  options.title = "long-recipe";
  const std::wstring cookbook = folder.file(L"\u65e5\u672c.html");
  ASSERT_EQ(mirtabel_convert(narrow(input).c_str(), narrow(cookbook).c_str(), &options, &report),
            MIRTABEL_OK)
      << "errno " << errno;
  const std::string html = read_file(cookbook);
  EXPECT_EQ(report.records, 3);
  EXPECT_EQ(report.bytes_written, html.size());
  streams.at = 0;
  streams.output.clear();
  EXPECT_EQ(mirtabel_convert_stream(read, write, &streams, &options, &report), MIRTABEL_OK);
  EXPECT_TRUE(streams.output == html);
  if (*MIRTABEL_REFERENCE_COOKBOOK != '\0') {
    EXPECT_TRUE(html == read_file(widen(MIRTABEL_REFERENCE_COOKBOOK)));
  }
  options.format = MIRTABEL_FORMAT_RECORDS;
  options.title = nullptr;

  EXPECT_EQ(mirtabel_convert(narrow(folder.file(L"missing.mxp")).c_str(), narrow(output).c_str(),
                             nullptr, &report),
            MIRTABEL_ERROR_INPUT);
  EXPECT_EQ(report.error, ENOENT);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_STREQ(mirtabel_error_name(MIRTABEL_ERROR_INPUT), "input");
  // A path that is not UTF-8 has no UTF-16 form.
  EXPECT_EQ(mirtabel_convert("K\xFC"
                             "che.mxp",
                             narrow(output).c_str(), nullptr, &report),
            MIRTABEL_ERROR_INPUT);
  EXPECT_EQ(report.error, EILSEQ);
}

}  // namespace
