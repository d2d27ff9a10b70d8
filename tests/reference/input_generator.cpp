#include "tests/reference/input_generator.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <random>
#include <vector>

#include "tests/reference/reference_text.h"

namespace mirtabel::reference {
namespace {

// The standard fixes std::mt19937's sequence; only its raw output is used, so every platform
// generates the same inputs.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}

  std::size_t below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }
  std::size_t between(std::size_t low, std::size_t high) { return low + below(high - low + 1); }
  bool percent(std::size_t p) { return below(100) < p; }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[below(items.size())];
  }
  template <typename T>
  T pick(std::initializer_list<T> items) {
    return items.begin()[below(items.size())];
  }

 private:
  std::mt19937 engine_;
};

enum class Encoding { kUtf8, kUtf8Mark, kWindows1252, kUtf16LE, kUtf16BE, kUtf16WithoutMark };
enum class LineEnds { kLf, kCrLf, kCr, kMixed };
enum class Kind { kAscii, kTwoBytes, kThreeBytes, kFourBytes };  // by the length of their UTF-8

const char* name_of(Encoding encoding) {
  const char* const names[] = {"UTF-8",    "UTF-8 with its mark",    "Windows-1252", "UTF-16LE",
                               "UTF-16BE", "UTF-16LE without a mark"};
  return names[static_cast<int>(encoding)];
}

const char* name_of(LineEnds line_ends) {
  const char* const names[] = {"LF", "CR LF", "CR", "mixed line ends"};
  return names[static_cast<int>(line_ends)];
}

const std::u32string kLetters = U"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
const std::u32string kTwoByteCharacters = U"\u00E9\u00DF\u00F1\u00FC\u00D8\u00BC\u0080\u07FF";
const std::u32string kThreeByteCharacters = U"\u20AC\u0800\u0915\u0FFF\u65E5\uD7FF\uE000\uFFFD";
const std::u32string kFourByteCharacters = U"\U0001F600\U0001F375\U00010000\U0001D11E\U0010FFFF";
// Windows-1252 bytes that never begin a UTF-8 sequence, so that each reads as one character.
const std::u32string kLoneWindows1252Bytes =
    U"\u0080\u008A\u0093\u0099\u00A3\u00B0\u00BF\u00F5\u00FC\u00FF";

// Bytes that UTF-8 input must read as Windows-1252, next to some that are well-formed UTF-8 with
// unusual lead bytes.
// clang-format off
const std::vector<std::string> kOddBytes = {
    "\xC3", "\xE2\x82", "\xF0\x9F\x8D", "\xE0\xA0",                          // cut short
    "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xF0\x80\x80\xAF",  // overlong
    "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",                     // overlong, surrogates
    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80",          // above U+10FFFF
    "\xFE", "\xFF", "\x80", "\xBF\xBF", "\x81\x8D\x8F\x90\x9D",               // no lead byte
    "caf\xE9 au lait", "\xE9t\xE9", "\x1A", std::string(1, '\0'), "\r",        // in passing
    "\xEF\xBB\xBF", "\xE0\xA0\x80", "\xE0\xBF\xBF", "\xE0\xA4\x95",            // well-formed
    "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xC2\x85",
};
// clang-format on

// UTF-16 code units that do not pair as they should, next to some that do.
const std::vector<std::u16string> kOddUnits = {
    u"\xD83D",       u"\xDE00",
    u"\xDE00\xDE00", u"\xD83D\xD83D\xDE00",
    u"\xDE00\xD83D", u"\xD83D\r",
    u"\xDBFF\xDFFF", u"\xD800\xDC00",
    u"\x001A",       std::u16string(1, u'\0'),
    u"\xFEFF",       u"\xFFFE",
    u"\xD800",
};

std::size_t units_of(char32_t c) {
  return kWideIsUtf16 && c > 0xFFFF ? 2 : 1;
}

// The bytes of an input as it is written: characters in its encoding, line ends in its style,
// and odd bytes or code units where asked.
class InputWriter {
 public:
  InputWriter(Encoding encoding, LineEnds line_ends) : encoding_(encoding), line_ends_(line_ends) {
    if (encoding == Encoding::kUtf8Mark) bytes = "\xEF\xBB\xBF";
    if (encoding == Encoding::kUtf16LE) bytes = "\xFF\xFE";
    if (encoding == Encoding::kUtf16BE) bytes = "\xFE\xFF";
  }

  void text(const std::u32string& text) {
    for (const char32_t c : text)
      character(c);
    line_end_size_ = 0;
  }

  void line_end(Random& random) {
    const LineEnds end = line_ends_ == LineEnds::kMixed
                             ? random.pick({LineEnds::kLf, LineEnds::kCrLf, LineEnds::kCr})
                             : line_ends_;
    const std::size_t before = bytes.size();
    if (end != LineEnds::kLf) character(U'\r');
    if (end != LineEnds::kCr) character(U'\n');
    line_end_size_ = bytes.size() - before;
  }

  // Removes the line end just written, if the last thing written was one.
  void drop_line_end() {
    bytes.resize(bytes.size() - line_end_size_);
    line_end_size_ = 0;
  }

  void odd_sequence(Random& random) {
    if (is_utf16()) {
      for (const char16_t u : random.pick(kOddUnits))
        unit(u);
    } else {
      bytes += random.pick(kOddBytes);
    }
    line_end_size_ = 0;
  }

  std::string bytes;

 private:
  bool is_utf16() const {
    return encoding_ == Encoding::kUtf16LE || encoding_ == Encoding::kUtf16BE ||
           encoding_ == Encoding::kUtf16WithoutMark;
  }

  void character(char32_t c) {
    if (is_utf16() && c > 0xFFFF) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else if (is_utf16()) {
      unit(c);
    } else if (encoding_ == Encoding::kWindows1252 && c < 0x100) {
      bytes += static_cast<char>(c);
    } else {
      append_utf8(c, bytes);
    }
  }

  void unit(char32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    bytes += encoding_ == Encoding::kUtf16BE ? high : low;
    bytes += encoding_ == Encoding::kUtf16BE ? low : high;
  }

  Encoding encoding_;
  LineEnds line_ends_;
  std::size_t line_end_size_ = 0;
};

// Builds one input from its seed: the choices come in a fixed order from the seeded generator.
class InputBuilder {
 public:
  explicit InputBuilder(std::uint32_t seed)
      : random_(seed),
        encoding_(random_.pick({Encoding::kUtf8, Encoding::kUtf8, Encoding::kUtf8, Encoding::kUtf8,
                                Encoding::kUtf8, Encoding::kUtf8Mark, Encoding::kUtf8Mark,
                                Encoding::kWindows1252, Encoding::kWindows1252, Encoding::kUtf16LE,
                                Encoding::kUtf16LE, Encoding::kUtf16BE, Encoding::kUtf16BE,
                                Encoding::kUtf16WithoutMark})),
        line_ends_(
            random_.pick({LineEnds::kLf, LineEnds::kLf, LineEnds::kLf, LineEnds::kCrLf,
                          LineEnds::kCrLf, LineEnds::kCr, LineEnds::kMixed, LineEnds::kMixed})),
        out_(encoding_, line_ends_),
        odd_lines_(random_.pick<std::size_t>({0, 0, 0, 0, 0, 3, 3, 20})) {
    description_ = std::string(name_of(encoding_)) + ", " + name_of(line_ends_);
    if (odd_lines_ > 0) note(std::to_string(odd_lines_) + "% of lines with odd bytes");
  }

  GeneratedInput build() {
    marker_ = choose_marker();
    const std::size_t shape = random_.below(100);
    if (shape < 3) {
      note("a marker line and at most one more");
      line(marker_);
      if (random_.percent(50)) line(words(random_.between(0, 9)));
    } else if (shape < 15) {
      note("a soup of tokens");
      token_soup();
    } else {
      const bool labelled = random_.percent(45);
      const std::size_t recipes = random_.between(1, marker_.size() > 900 ? 2 : 5);
      note(std::to_string(recipes) + (labelled ? " labelled" : " column") + " recipes");
      for (std::size_t i = 0; i < recipes; ++i) {
        if (labelled) {
          labelled_recipe(i == 0);
        } else {
          column_recipe(i == 0);
        }
      }
    }
    input_ending();
    return {out_.bytes, description_};
  }

 private:
  void note(const std::string& what) { description_ += ", " + what; }

  Kind any_kind() {
    return random_.pick({Kind::kAscii, Kind::kTwoBytes, Kind::kThreeBytes, Kind::kFourBytes});
  }

  char32_t one_character(Kind kind) {
    const auto from = [&](const std::u32string& pool) { return pool[random_.below(pool.size())]; };
    if (kind == Kind::kAscii) return from(kLetters);
    if (encoding_ == Encoding::kWindows1252) return from(kLoneWindows1252Bytes);
    if (kind == Kind::kTwoBytes) return from(kTwoByteCharacters);
    if (kind == Kind::kThreeBytes) return from(kThreeByteCharacters);
    return from(kFourByteCharacters);
  }

  // Characters of `kind` that take exactly `units` wchar_t: where one does not fit, an 'a'.
  std::u32string characters(Kind kind, std::size_t units) {
    std::u32string text;
    for (std::size_t filled = 0; filled < units;) {
      char32_t c = one_character(kind);
      if (filled + units_of(c) > units) c = U'a';
      text += c;
      filled += units_of(c);
    }
    return text;
  }

  // Words of any characters, single spaces between them, `units` wchar_t in all.
  std::u32string words(std::size_t units) {
    std::u32string text;
    for (std::size_t filled = 0; filled < units;) {
      const std::size_t choice = random_.below(100);
      char32_t c = U' ';
      if (choice >= 15 || text.empty() || text.back() == U' ') {
        c = one_character(choice < 30 ? any_kind() : Kind::kAscii);
        if (filled + units_of(c) > units) c = U'a';
      }
      text += c;
      filled += units_of(c);
    }
    return text;
  }

  // A line and its line end; some lines carry an odd sequence somewhere in their text.
  void line(const std::u32string& text) {
    if (random_.percent(odd_lines_)) {
      const std::size_t at = random_.below(text.size() + 1);
      out_.text(text.substr(0, at));
      out_.odd_sequence(random_);
      out_.text(text.substr(at));
    } else {
      out_.text(text);
    }
    out_.line_end(random_);
  }

  // A line whose length counts: never an odd sequence in it.
  void exact_line(const std::u32string& text) {
    out_.text(text);
    out_.line_end(random_);
  }

  std::u32string choose_marker() {
    switch (random_.below(24)) {
      case 0:
      case 1:
        note("an empty first line");
        return U"";
      case 2:
      case 3:
        note("a short marker");
        return random_.pick<std::u32string>({U"*", U"#!", U"MXP", U"@@@@"});
      case 4: {
        const std::size_t units =
            random_.pick<std::size_t>({999, 1000, 1001, 4998, 4999, 5000, 5001});
        note("a marker of " + std::to_string(units) + " characters");
        return characters(any_kind(), units);
      }
      case 5:
      case 6:
        return U"== Rezepte \u2014 Export \U0001F375 ==";
      case 7:
        note("a marker holding a rule");
        return U"-------- MXP --------";
      default:
        return U"== RECIPE EXPORT ==";
    }
  }

  // The first recipe's marker line is the marker itself; later ones may hold more before it, or
  // text after it, which makes them no marker line at all.
  void marker_line(bool first = false) {
    const std::size_t choice = random_.below(100);
    if (first || choice >= 12) {
      exact_line(marker_);
    } else {
      line(choice < 8 ? U"xx" + marker_ : marker_ + U" yy");
    }
  }

  std::u32string title_text() {
    const std::size_t choice = random_.below(10);
    if (choice < 4) return words(random_.between(0, 40));
    if (choice < 9) {  // about 100 characters, often with a surrogate pair at the cut
      const Kind last = random_.percent(60) ? Kind::kFourBytes : any_kind();
      return characters(any_kind(), random_.between(95, 100)) +
             characters(last, random_.between(0, 6));
    }
    return words(random_.between(101, 300));
  }

  void column_recipe(bool first) {
    marker_line(first);
    line(words(random_.between(0, 12)));
    std::u32string title(random_.percent(5) ? random_.between(98, 102) : random_.between(0, 3),
                         U' ');
    if (!first && random_.percent(15)) title += U"Title: ";
    line(title + title_text());
    for (std::size_t n = random_.between(0, 3); n > 0; --n) {
      if (random_.percent(10)) {
        marker_line();
      } else {
        line(words(random_.between(0, 40)));
      }
    }
    if (!random_.percent(8))
      line(words(random_.between(0, 4)) + U"--------" + words(random_.between(0, 12)));
    const std::size_t choice = random_.below(100);
    if (choice < 5) {
      std::size_t body = 0;
      fill(body, random_.between(9499, 9501), 6, 0);
    } else if (choice < 10) {
      long_line();
    } else {
      for (std::size_t n = random_.between(0, 8); n > 0; --n)
        body_line();
    }
  }

  void body_line() {
    const std::size_t choice = random_.below(10);
    if (choice == 0) {
      line(U"");
    } else if (choice == 1) {
      line(characters(any_kind(), random_.between(1, 5)));
    } else {
      line(words(random_.between(1, 80)));
    }
  }

  // A line around the 4,999-character limit, or twice as long, its last characters often
  // surrogate pairs where wchar_t has 16 bits.
  void long_line() {
    const std::size_t units = random_.pick<std::size_t>({4998, 4999, 5000, 5001, 9999});
    const std::size_t tail = random_.below(5);
    note("a line of " + std::to_string(units) + " characters");
    exact_line(characters(any_kind(), units - tail) + characters(Kind::kFourBytes, tail));
  }

  // Lines that take a body from `body` characters to exactly `target`, each adding `page_mark`
  // characters and its text of at least `min_text`, at most 4,998, so that no line is cut.
  void fill(std::size_t& body, std::size_t target, std::size_t page_mark, std::size_t min_text) {
    constexpr std::size_t kMostText = 4998;
    note("a body filled to " + std::to_string(target));
    while (body + page_mark + min_text <= target) {
      const std::size_t room = target - body - page_mark;
      std::size_t text = room;
      if (room > kMostText) {
        const std::size_t most = std::min(kMostText, room - page_mark - min_text);
        text = random_.between(most / 2, most);
      }
      exact_line(characters(random_.percent(70) ? Kind::kAscii : any_kind(), text));
      body += page_mark + text;
    }
  }

  std::u32string labelled_title_line(bool first) {
    switch (random_.below(10)) {
      case 0:
        return (first ? U"Title:" : U"Name:") + title_text();  // no space after the colon
      case 1:
        return U"Title:";
      case 2:  // a colon near the 100th character
        return characters(any_kind(), random_.between(95, 101)) + U": Title: " + title_text();
      case 3:  // no colon among the first 100 characters
        return words(random_.between(100, 110)) + (first ? U" Title: x" : U"");
      case 4:
        return U"  Title: " + title_text();
      default:
        return U"Title: " + title_text();
    }
  }

  // A line of at most 5 characters as read, its line end included.
  std::u32string short_text() {
    switch (random_.below(10)) {
      case 0:
        return U"  ";
      case 1:
        return characters(any_kind(), random_.between(1, 4));
      case 2:
        return U"----";
      default:
        return U"";
    }
  }

  void labelled_recipe(bool first) {
    marker_line(first);
    line(words(random_.between(0, 12)));
    line(labelled_title_line(first));
    for (std::size_t n = random_.between(0, 3); n > 0; --n) {
      if (random_.percent(10)) {
        marker_line();
      } else {
        line(words(random_.between(5, 40)));
      }
    }
    if (random_.percent(4)) return;  // no short line: the header runs on
    line(short_text());

    std::size_t body = 0;
    const bool filled = random_.percent(6);
    const std::size_t list_lines = filled ? 0 : random_.between(0, 6);
    if (filled) fill(body, random_.between(9499, 9501), 6, 5);
    for (std::size_t n = list_lines; n > 0; --n) {
      if (random_.percent(8)) {
        marker_line();
      } else {
        line(words(random_.between(5, 60)));
      }
    }
    const std::size_t list_end = random_.below(100);
    if (list_end < 10) return;  // the list block runs on to the next marker line
    if (list_end < 25 && marker_.size() <= 4) {
      exact_line(marker_);  // a marker line short enough to end the list block
    } else {
      line(short_text());
    }
    body += 12;
    // The two page marks are not tested against the limit: alone they may take the body past it.
    if (filled && random_.percent(50)) return;

    const std::size_t target = random_.between(9498, 9502);
    // Only a body built of exact lines has a known length.
    if (list_lines == 0 && random_.percent(10) && body + 3 <= target) {
      fill(body, target, 0, 3);
    } else {
      for (std::size_t n = random_.between(0, 8); n > 0; --n)
        paragraph_line();
    }
  }

  void paragraph_line() {
    switch (random_.below(12)) {
      case 0:
        line(U"");
        break;
      case 1:  // tiny: at most 3 characters as read
        line(characters(any_kind(), random_.between(1, 2)));
        break;
      case 2:  // indented
        line(U"     " + words(random_.between(1, 30)));
        break;
      case 3:  // indented after three characters of anything
        line(characters(any_kind(), 3) + U"  " + words(random_.between(1, 30)));
        break;
      case 4:
        line(U"   " + words(random_.between(1, 30)));
        break;
      case 5:  // 4 or 5 characters as read
        line(characters(any_kind(), random_.between(3, 4)));
        break;
      case 6:
        marker_line();
        break;
      default:
        line(words(random_.between(3, 70)));
        break;
    }
  }

  // Runs of the format's tokens in any order, line ends and odd sequences among them.
  void token_soup() {
    for (std::size_t n = random_.between(1, 400); n > 0; --n) {
      switch (random_.below(12)) {
        case 0:
          out_.text(marker_);
          out_.line_end(random_);
          break;
        case 1:
        case 2:
          out_.line_end(random_);
          break;
        case 3:
          out_.text(U"Title: ");
          break;
        case 4:
          out_.text(U"--------");
          break;
        case 5:
          out_.text(U"   ");
          break;
        case 6:
          out_.text(words(random_.between(1, 10)));
          break;
        case 7:
          out_.odd_sequence(random_);
          break;
        case 8:
          out_.text(characters(any_kind(), random_.between(1, 3)));
          break;
        case 9:
          out_.text(U"[PAGE]");
          break;
        case 10:
          out_.text(U"\x1A");
          break;
        default:
          out_.text(characters(Kind::kAscii, random_.between(95, 105)));
          break;
      }
    }
  }

  // The input's last bytes: a line end or none, an end-of-file mark, an odd final byte, or a
  // cut anywhere.
  void input_ending() {
    switch (random_.below(20)) {
      case 0:
      case 1:
        note("no final line end");
        out_.drop_line_end();
        break;
      case 2:
        note("a final Ctrl-Z");
        out_.text(U"\x1A");
        break;
      case 3:
        note("a final Ctrl-Z without a line end before it");
        out_.drop_line_end();
        out_.text(U"\x1A");
        break;
      case 4:
        note("two final Ctrl-Z");
        out_.text(U"\x1A\x1A");
        break;
      case 5:
        note("a final CR");
        out_.drop_line_end();
        out_.text(U"\r");
        break;
      case 6:
        note("an odd sequence at the end");
        out_.odd_sequence(random_);
        break;
      case 7:
      case 8:
        note("an odd final byte");
        if (random_.percent(30)) out_.text(U"\x1A");
        out_.bytes += random_.pick<char>({'\0', '\n', '\r', '\x1A', '\xC3', '\xE0', '\xFF'});
        break;
      case 9: {
        const std::size_t size = random_.below(out_.bytes.size() + 1);
        note("cut after " + std::to_string(size) + " bytes");
        out_.bytes.resize(size);
        break;
      }
      default:
        break;
    }
  }

  Random random_;
  Encoding encoding_;
  LineEnds line_ends_;
  InputWriter out_;
  std::size_t odd_lines_;  // percent of lines that carry an odd sequence
  std::u32string marker_;
  std::string description_;
};

}  // namespace

GeneratedInput generate_input(std::uint32_t seed) {
  return InputBuilder(seed).build();
}

}  // namespace mirtabel::reference
