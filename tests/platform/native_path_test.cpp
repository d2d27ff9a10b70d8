// Paths as POSIX file names: UTF-8 decoded into wide paths and encoded back, with U+DC80..U+DCFF
// standing for raw bytes, so that every byte string survives the round trip.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>

#include "platform/native_path.h"

namespace mirtabel {
namespace {

struct PathCase {
  std::wstring path;
  int error;
  std::string native;  // when error is 0
};

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
    char native[kMaxNativePath];
    const int error = to_native_path(c.path.c_str(), native);
    EXPECT_EQ(error, c.error) << "path of " << c.path.size() << " characters";
    if (error == 0 && c.error == 0) {
      EXPECT_EQ(std::string(native), c.native);
    }
  }
}

std::wstring wide(const char* bytes) {
  wchar_t path[kMaxWidePath];
  return from_utf8_path(bytes, path, kMaxWidePath) == 0 ? path : L"<error>";
}

std::string round_trip(const std::string& bytes) {
  char native[kMaxNativePath];
  const int error = to_native_path(wide(bytes.c_str()).c_str(), native);
  return error == 0 ? std::string(native) : "<error " + std::to_string(error) + ">";
}

TEST(NativePath, DecodesUtf8AndKeepsOtherBytesAsRawBytes) {
  EXPECT_EQ(wide("cr\xC3\xA8me \xF0\x9F\x98\x80"), L"cr\u00E8me \U0001F600");
  EXPECT_EQ(wide("a\xE9"
                 "b\xED\xA0\x80"),
            (std::wstring{L'a', wchar_t(0xDCE9), L'b', wchar_t(0xDCED), wchar_t(0xDCA0),
                          wchar_t(0xDC80)}));
}

TEST(NativePath, EveryByteStringSurvivesTheRoundTrip) {
  for (int first = 1; first < 256; ++first) {
    for (int second : {0, 0x41, 0x80, 0xA9, 0xBF, 0xC3, 0xED, 0xF0, 0xFF}) {
      std::string bytes{static_cast<char>(first)};
      if (second != 0) bytes += static_cast<char>(second);
      EXPECT_EQ(round_trip(bytes), bytes) << "bytes " << first << " " << second;
    }
  }
  // Random mixtures of ASCII, lead bytes, continuation bytes and invalid bytes.
  static const unsigned char kAlphabet[] = {'a',  '/',  0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xC3, 0xDF,
                                            0xE0, 0xE2, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  std::mt19937 random(2);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1), length(1, 12);
  for (int i = 0; i < 20000; ++i) {
    std::string bytes;
    for (std::size_t n = length(random); n > 0; --n)
      bytes += static_cast<char>(kAlphabet[pick(random)]);
    ASSERT_EQ(round_trip(bytes), bytes) << "case " << i;
  }
}

TEST(NativePath, DecodingStopsAtTheCapacity) {
  wchar_t path[4];
  EXPECT_EQ(from_utf8_path("abc", path, 4), 0);
  EXPECT_EQ(from_utf8_path("abcd", path, 4), ENAMETOOLONG);
}

}  // namespace
}  // namespace mirtabel
