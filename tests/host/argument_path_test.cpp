// Command-line file names become wide paths that the library turns back into the same bytes:
// every byte string, valid UTF-8 or not, survives the round trip.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/argument_path.h"
#include "platform/native_path.h"

namespace {

std::string round_trip(const std::string& bytes) {
  char native[mirtabel::kMaxNativePath];
  const int error = mirtabel::to_native_path(argument_to_path(bytes.c_str()).c_str(), native);
  return error == 0 ? std::string(native) : "<error " + std::to_string(error) + ">";
}

TEST(ArgumentPath, DecodesUtf8AndKeepsOtherBytesAsRawBytes) {
  EXPECT_EQ(argument_to_path("cr\xC3\xA8me \xF0\x9F\x98\x80"), L"cr\u00E8me \U0001F600");
  EXPECT_EQ(argument_to_path("a\xE9"
                             "b\xED\xA0\x80"),
            (std::wstring{L'a', wchar_t(0xDCE9), L'b', wchar_t(0xDCED), wchar_t(0xDCA0),
                          wchar_t(0xDC80)}));
}

TEST(ArgumentPath, EveryByteStringSurvivesTheRoundTrip) {
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

}  // namespace
