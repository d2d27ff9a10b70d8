// Paths made native: on POSIX a wide path encoded as UTF-8, with U+DC80..U+DCFF standing for raw
// bytes; on Windows UTF-8 decoded into UTF-16.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/native_path.h"

namespace mirtabel {
namespace {

struct PathCase {
  std::wstring path;
  int error;
  std::string native;  // when error is 0
};

#ifndef _WIN32
TEST(NativePath, EncodesWidePathsAsUtf8WithRawBytes) {
  const PathCase cases[] = {
      {L"", 0, ""},
      {L"dir/recipes.mxp", 0, "dir/recipes.mxp"},
      {L"cr\u00E8me \u20AC \U0001F600", 0, "cr\xC3\xA8me \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {L"\u07FF\u0800\uFFFD\U0010FFFF", 0, "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF"},
      // The raw-byte range, and its neighbours, which are surrogates no name can hold.
      {std::wstring{L'a', wchar_t(0xDC80), wchar_t(0xDCE9), wchar_t(0xDCFF)}, 0, "a\x80\xE9\xFF"},
      {std::wstring{wchar_t(0xDC7F)}, EILSEQ, ""},
      {std::wstring{wchar_t(0xDD00)}, EILSEQ, ""},
      {std::wstring{wchar_t(0xD800), wchar_t(0xDC00)}, EILSEQ, ""},
      {std::wstring{L'a', wchar_t(0x110000)}, EILSEQ, ""},
      // The longest name that fits with its terminator, and one byte more.
      {std::wstring(kMaxNativePath - 1, L'a'), 0, std::string(kMaxNativePath - 1, 'a')},
      {std::wstring(kMaxNativePath, L'a'), ENAMETOOLONG, ""},
      {std::wstring(kMaxNativePath / 2 - 1, L'\u00E9') + L"a", 0,
       [] {
         std::string s;
         for (std::size_t i = 0; i < kMaxNativePath / 2 - 1; ++i)
           s += "\xC3\xA9";
         return s + "a";
       }()},
      {std::wstring(kMaxNativePath / 2, L'\u00E9'), ENAMETOOLONG, ""},
  };
  for (const PathCase& c : cases) {
    const NativePath native(c.path.c_str());
    EXPECT_EQ(native.error(), c.error) << "path of " << c.path.size() << " characters";
    if (native.error() == 0 && c.error == 0) {
      EXPECT_EQ(std::string(native.c_str()), c.native);
    }
  }
}
#else
TEST(NativePath, DecodesUtf8IntoUtf16) {
  EXPECT_EQ(std::wstring(NativePath("cr\xC3\xA8me \xF0\x9F\x98\x80").c_str()),
            L"cr\u00E8me \U0001F600");
  EXPECT_EQ(NativePath("a\xE9").error(), EILSEQ);
  EXPECT_EQ(NativePath(std::string(kMaxNativePath, 'a').c_str()).error(), ENAMETOOLONG);
}
#endif

}  // namespace
}  // namespace mirtabel
