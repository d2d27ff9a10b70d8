#include "host/argument_path.h"

#include "platform/file_identity.h"
#include "platform/native_path.h"
#include "platform/utf8.h"

bool names_one_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  mirtabel::FileIdentity first, second;
  return mirtabel::identify_file(mirtabel::NativePath(a.c_str()), first) == 0 &&
         mirtabel::identify_file(mirtabel::NativePath(b.c_str()), second) == 0 &&
         mirtabel::is_same_file(first, second);
}

std::string display_name(const std::filesystem::path& path) {
#ifdef _WIN32
  // UTF-16 to UTF-8; an unpaired surrogate is shown as U+FFFD.
  const std::wstring& wide = path.native();
  std::string text;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char16_t>(wide[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    unsigned char bytes[4];
    text.append(reinterpret_cast<const char*>(bytes), mirtabel::utf8::encode(c, bytes));
  }
  return text;
#else
  return path.native();
#endif
}

namespace {

bool is_control(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string printable(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = mirtabel::utf8::valid_sequence_length(s + at, text.size() - at);
    const char32_t c = length == 0 ? 0 : mirtabel::utf8::decode(s + at, length);
    if (length == 0 || is_control(c)) {
      shown += '?';
      length = length == 0 ? 1 : length;
    } else {
      shown.append(text, at, length);
    }
    at += length;
  }
  return shown;
}

std::string quoted_name(const std::filesystem::path& path, bool output) {
  if (path.native().size() == 1 && path.native()[0] == '-') {
    return output ? "standard output" : "standard input";
  }
  return "'" + printable(display_name(path)) + "'";
}

std::string lowercase_extension(const std::filesystem::path& path) {
  std::string extension = display_name(path.extension());
  for (char& c : extension)
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return extension;
}
