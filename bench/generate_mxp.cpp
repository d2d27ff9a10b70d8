// generate_mxp: writes a large MXP export file for the benchmark, the same bytes for the same
// variant, size and seed on every machine.
//
// The recipes look like real exports: a title, header lines, ingredient lines in columns (or a
// list, in the labelled layout), direction paragraphs wrapped at about 70 characters, blank lines
// between blocks, a few non-ASCII characters, and about one recipe in 500 whose text runs past
// the 9,500-character body limit. Bodies are a few hundred to a few thousand characters long.
//
// Variants:
//   column-lf     column layout, UTF-8, LF line ends
//   column-crlf   column layout, UTF-8, CR LF line ends
//   column-1252   column layout, Windows-1252 bytes, LF line ends
//   labelled-lf   labelled layout, UTF-8, LF line ends
// and, for the table of inputs built to hit each slow path:
//   hostile-marker   a first line of 4,999 characters, read without its line feed, then lines of
//                    4,998 of the same character, each of which almost holds it
//   hostile-1-byte   recipes of a thousand lines of a line feed alone
//   hostile-tiny     recipes of 10 bytes (an empty first line makes every line a marker line)
//   hostile-over     column-lf with every recipe over the body limit
//   hostile-cr       column-lf with a CR alone at each line end
//   hostile-4-byte   recipes of one line of 4,999 four-byte characters
//   hostile-utf16    column-lf in UTF-16LE, with every "e" a character beyond the BMP
//                    (a surrogate pair)
//   hostile-invalid  column-lf with a byte that is not UTF-8 (0xFF) in the middle of each line
//   hostile-a-lines  one labelled recipe of the whole size: a title, then lines of "a" alone,
//                    which the structured reading takes one by one and the records cut
//   hostile-a-steps  one column recipe of the whole size: one ingredient, then directions of
//                    lines of "a" alone, each tried against every rule of the directions
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere (the standard distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }

  // A number in [low, high].
  int between(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
  }

  bool one_in(int n) { return next() % static_cast<std::uint64_t>(n) == 0; }

  template <std::size_t N>
  const char* pick(const char* const (&words)[N]) {
    return words[next() % N];
  }

 private:
  std::uint64_t state_;
};

// Non-ASCII text is written as UTF-8 here; the Windows-1252 variant re-encodes it at the end.
const char* const kTitleWords[] = {
    "Apple",  "Pie",     "Crumble",  "Chicken", "Soup",   "Roast",     "Lemon", "Tart",
    "Beef",   "Stew",    "Garlic",   "Bread",   "Spiced", "Pumpkin",   "Salad", "Herb",
    "Rice",   "Pudding", "Onion",    "Quiche",  "Winter", "Vegetable", "Curry", "Honey",
    "Glazed", "Carrots", "Mushroom", "Risotto", "Baked",  "Salmon",    "Sweet", "Potato"};
const char* const kUnits[] = {"cup", "cups", "tablespoon", "teaspoons", "pound", "ounces",
                              "",    "",     "large",      "medium",    "can",   "pinch"};
const char* const kAmounts[] = {"1", "2", "3", "4", "6", "8", "1/2", "1/4", "3/4", "1 1/2", "12"};
const char* const kIngredients[] = {
    "flour",      "butter",      "sugar",         "brown sugar",   "eggs",
    "milk",       "heavy cream", "salt",          "black pepper",  "olive oil",
    "onion",      "garlic",      "carrots",       "celery",        "chicken stock",
    "tomatoes",   "apples",      "lemon juice",   "baking powder", "vanilla extract",
    "cinnamon",   "nutmeg",      "parsley",       "thyme",         "rice",
    "potatoes",   "cheddar",     "crème fraîche", "jalapeños",     "beef chuck",
    "white wine", "mushrooms",   "honey",         "walnuts",       "raisins"};
const char* const kPreparations[] = {"chopped",        "sliced",
                                     "diced",          "softened",
                                     "beaten",         "grated",
                                     "minced",         "at room temperature",
                                     "cold",           "peeled and sliced",
                                     "finely chopped", "melted"};
const char* const kDirectionWords[] = {
    "the",   "and",   "until",  "with",   "a",       "of",        "into",  "over",
    "heat",  "stir",  "mix",    "add",    "bake",    "simmer",    "whisk", "fold",
    "pour",  "cover", "serve",  "season", "minutes", "gently",    "large", "bowl",
    "pan",   "oven",  "golden", "smooth", "mixture", "remaining", "flour", "butter",
    "sauce", "dish",  "about",  "then",   "cool",    "slightly",  "in",    "to",
    "at",    "each",  "side",   "firm",   "dough",   "lid",       "water", "hot"};
// About one word in 50 is one of these.
const char* const kAccentedWords[] = {"Crème",  "Brûlée", "Café",  "Jalapeño", "Smörgås", "Pâté",
                                      "180 °C", "½ hour", "don’t", "sauté",    "purée"};
const char* const kCategories[] = {"Desserts", "Baking", "Main dish", "Soups",  "Vegetables",
                                   "Poultry",  "Beef",   "Drinks",    "Breads", "Salads"};
const char* const kAuthors[] = {"The family cookbook", "Aunt Marie", "Marie-Thérèse",
                                "Church supper 1987",  "",           "Grandmother's box"};

constexpr char kMarker[] = "*  Recipe export  *";
constexpr std::size_t kWrapWidth = 72;
constexpr std::size_t kLongBodyChars = 11000;  // well past the body limit of 9,500

// Characters in UTF-8 text (bytes that do not continue a sequence).
std::size_t char_count(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text)
    count += (c & 0xC0) != 0x80;
  return count;
}

std::string title(Random& random) {
  std::string text;
  const int words = random.between(1, 5);
  for (int i = 0; i < words; ++i) {
    if (i > 0) text += ' ';
    text += random.one_in(8) ? random.pick(kAccentedWords) : random.pick(kTitleWords);
  }
  return text;
}

struct Ingredient {
  std::string amount, unit, name;
};

Ingredient ingredient(Random& random) {
  Ingredient item{random.pick(kAmounts), random.pick(kUnits), random.pick(kIngredients)};
  if (random.one_in(3)) item.name += std::string(" -- ") + random.pick(kPreparations);
  return item;
}

// A paragraph of direction text wrapped at about kWrapWidth characters, one string per line.
std::vector<std::string> paragraph(Random& random) {
  std::vector<std::string> lines(1);
  const int sentences = random.between(1, 6);
  for (int s = 0; s < sentences; ++s) {
    const int words = random.between(5, 18);
    for (int w = 0; w < words; ++w) {
      std::string word =
          random.one_in(50) ? random.pick(kAccentedWords) : random.pick(kDirectionWords);
      if (w == 0) word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
      if (w == words - 1) word += '.';
      if (!lines.back().empty() && char_count(lines.back()) + 1 + char_count(word) > kWrapWidth)
        lines.emplace_back();
      if (!lines.back().empty()) lines.back() += ' ';
      lines.back() += word;
    }
  }
  return lines;
}

// The body lines of a recipe's directions: paragraphs with blank lines between them. A long
// recipe gets paragraphs until its body is well past the limit.
void directions(Random& random, bool is_long, bool indent_paragraphs,
                std::vector<std::string>& body) {
  std::size_t body_chars = 0;
  for (const auto& line : body)
    body_chars += 6 + char_count(line);  // "[PAGE]" and the text
  const int count = random.between(1, 5);
  for (int p = 0; is_long ? body_chars < kLongBodyChars : p < count; ++p) {
    if (p > 0) body.emplace_back();
    bool first = true;
    for (auto& line : paragraph(random)) {
      if (first && indent_paragraphs && p > 0) line.insert(0, "     ");
      first = false;
      body_chars += 6 + char_count(line);
      body.push_back(std::move(line));
    }
  }
}

void add_line(std::string& out, const std::string& line) {
  out += line;
  out += '\n';
}

std::string pad(std::string text, std::size_t width) {
  const std::size_t chars = char_count(text);
  if (chars < width) text.append(width - chars, ' ');
  return text;
}

std::string column_recipe(Random& random, bool is_long) {
  std::string out;
  add_line(out, kMarker);
  add_line(out, "");
  add_line(out, std::string(22, ' ') + title(random));
  add_line(out, "");
  add_line(out, std::string("Recipe By     : ") + random.pick(kAuthors));
  add_line(out, "Serving Size  : " + pad(std::to_string(random.between(1, 12)), 6) +
                    "Preparation Time : " + std::to_string(random.between(0, 3)) + ":" +
                    std::to_string(random.between(10, 59)));
  add_line(out, std::string("Categories    : ") + random.pick(kCategories) + "  " +
                    random.pick(kCategories));
  add_line(out, "");
  add_line(out, "  Amount  Measure       Ingredient -- Preparation Method");
  add_line(out, "--------  ------------  --------------------------------");
  std::vector<std::string> body;
  const int ingredients = random.between(3, 20);
  for (int i = 0; i < ingredients; ++i) {
    const Ingredient item = ingredient(random);
    body.push_back(pad(std::string(8 - item.amount.size() % 8, ' ') + item.amount, 10) +
                   pad(item.unit, 14) + item.name);
  }
  body.emplace_back();
  directions(random, is_long, false, body);
  body.emplace_back();
  body.emplace_back();
  for (const auto& line : body)
    add_line(out, line);
  return out;
}

std::string labelled_recipe(Random& random, bool is_long) {
  std::string out;
  add_line(out, kMarker);
  add_line(out, "");
  add_line(out, "Title: " + title(random));
  add_line(out, std::string("Categories: ") + random.pick(kCategories) + ", " +
                    random.pick(kCategories));
  add_line(out, "Servings: " + std::to_string(random.between(1, 12)));
  add_line(out, "");
  std::vector<std::string> body;
  const int ingredients = random.between(3, 20);
  for (int i = 0; i < ingredients; ++i) {
    const Ingredient item = ingredient(random);
    std::string line = item.amount + " " + item.unit + (item.unit.empty() ? "" : " ") + item.name;
    if (char_count(line) <= 5) line += ", to taste";  // a short line would end the list
    body.push_back(std::move(line));
  }
  body.emplace_back();
  directions(random, is_long, true, body);
  body.emplace_back();
  for (const auto& line : body)
    add_line(out, line);
  return out;
}

// The Windows-1252 byte of each non-ASCII character the word lists use.
struct Cp1252Char {
  const char* utf8;
  unsigned char byte;
};
constexpr Cp1252Char kCp1252[] = {{"é", 0xE9}, {"è", 0xE8}, {"ê", 0xEA}, {"û", 0xFB},
                                  {"â", 0xE2}, {"ñ", 0xF1}, {"ö", 0xF6}, {"å", 0xE5},
                                  {"î", 0xEE}, {"°", 0xB0}, {"½", 0xBD}, {"’", 0x92}};

std::string to_windows_1252(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      out += text[i++];
      continue;
    }
    bool found = false;
    for (const auto& c : kCp1252) {
      const std::size_t length = std::strlen(c.utf8);
      if (text.compare(i, length, c.utf8) == 0) {
        out += static_cast<char>(c.byte);
        i += length;
        found = true;
        break;
      }
    }
    if (!found) {
      std::fprintf(stderr, "generate_mxp: no Windows-1252 form for a character\n");
      std::exit(1);
    }
  }
  return out;
}

std::string to_crlf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string to_cr(std::string text) {
  for (char& c : text)
    if (c == '\n') c = '\r';
  return text;
}

void put_utf16le(std::string& out, unsigned unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

// UTF-8 text in UTF-16LE (without a byte-order mark), every "e" written as U+1F60B.
std::string to_utf16_with_pairs(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (code == 'e') code = 0x1F60B;
    if (code > 0xFFFF) {
      put_utf16le(out, 0xD800 + ((code - 0x10000) >> 10));
      put_utf16le(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put_utf16le(out, code);
    }
  }
  return out;
}

// Each line with a 0xFF byte in its middle (between two characters).
std::string with_invalid_byte(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t line_start = 0;
  for (std::size_t end; (end = text.find('\n', line_start)) != std::string::npos;
       line_start = end + 1) {
    std::size_t middle = line_start + (end - line_start) / 2;
    while (middle > line_start && (static_cast<unsigned char>(text[middle]) & 0xC0) == 0x80)
      --middle;
    out.append(text, line_start, middle - line_start);
    out += static_cast<char>(0xFF);
    out.append(text, middle, end + 1 - middle);
  }
  return out;
}

std::string repeat(const std::string& text, std::size_t count) {
  std::string out;
  out.reserve(text.size() * count);
  for (std::size_t i = 0; i < count; ++i)
    out += text;
  return out;
}

// The recipes that are the same every time; the first one gets the file's first line before it.
std::string fixed_recipe(const std::string& variant, bool first) {
  if (variant == "hostile-marker") {
    std::string line(4998, 'a');
    line += '\n';
    return (first ? std::string(4999, 'a') + "\nx\nT\n--------\n" : "") + repeat(line, 100);
  }
  const std::string head = std::string(kMarker) + "\n\nTitle\n--------\n";
  if (variant == "hostile-1-byte") return head + std::string(1000, '\n');
  if (variant == "hostile-tiny") return "\n\nTitle:x\n";
  if (variant == "hostile-a-lines") return std::string(kMarker) + "\n\nTitle: A lines\n\n";
  if (variant == "hostile-a-steps") return head + "  1       cup           water\n\n";
  return head + repeat("\xF0\x9F\x98\x8B", 4999) + "\n";
}

int usage() {
  std::fputs(
      "usage: generate_mxp VARIANT SIZE SEED OUTPUT\n"
      "  VARIANT  column-lf, column-crlf, column-1252, labelled-lf, or one of the hostile-\n"
      "           inputs: hostile-marker, -1-byte, -tiny, -over, -cr, -4-byte, -utf16, -invalid,\n"
      "           -a-lines, -a-steps\n"
      "  SIZE     bytes, or with a suffix K, M or G (KiB, MiB, GiB); whole recipes are written\n"
      "           up to this size\n"
      "  SEED     any whole number; the same seed gives the same bytes\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return usage();
  const std::string variant = argv[1];
  const bool labelled = variant == "labelled-lf";
  const bool crlf = variant == "column-crlf";
  const bool cp1252 = variant == "column-1252";
  const bool all_long = variant == "hostile-over";
  const bool cr = variant == "hostile-cr";
  const bool utf16 = variant == "hostile-utf16";
  const bool invalid = variant == "hostile-invalid";
  const bool one_recipe = variant == "hostile-a-lines" || variant == "hostile-a-steps";
  const bool fixed = variant == "hostile-marker" || variant == "hostile-1-byte" ||
                     variant == "hostile-tiny" || variant == "hostile-4-byte" || one_recipe;
  if (!labelled && !crlf && !cp1252 && !all_long && !cr && !utf16 && !invalid && !fixed &&
      variant != "column-lf")
    return usage();

  char* end = nullptr;
  std::uint64_t size = std::strtoull(argv[2], &end, 10);
  if (*end == 'K') size <<= 10, ++end;
  if (*end == 'M') size <<= 20, ++end;
  if (*end == 'G') size <<= 30, ++end;
  if (*end != '\0' || size == 0) return usage();
  const std::uint64_t seed = std::strtoull(argv[3], &end, 10);
  if (*end != '\0') return usage();

  std::FILE* out = std::fopen(argv[4], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "generate_mxp: cannot create %s: %s\n", argv[4], std::strerror(errno));
    return 1;
  }
  Random random(seed);
  std::uint64_t written = 0;
  std::uint64_t recipes = 0, long_recipes = 0;
  if (utf16) {
    if (std::fwrite("\xFF\xFE", 1, 2, out) != 2) return 1;
    written += 2;
  }
  for (;;) {
    const bool is_long = all_long || random.one_in(500);
    std::string recipe = fixed      ? fixed_recipe(variant, recipes == 0)
                         : labelled ? labelled_recipe(random, is_long)
                                    : column_recipe(random, is_long);
    if (cp1252) recipe = to_windows_1252(recipe);
    if (crlf) recipe = to_crlf(recipe);
    if (cr) recipe = to_cr(recipe);
    if (utf16) recipe = to_utf16_with_pairs(recipe);
    if (invalid) recipe = with_invalid_byte(recipe);
    if (one_recipe) {
      if (recipes == 1) break;
      if (recipe.size() < size) recipe += repeat("a\n", (size - recipe.size()) / 2);
    }
    if (written + recipe.size() > size) break;
    if (std::fwrite(recipe.data(), 1, recipe.size(), out) != recipe.size()) break;
    written += recipe.size();
    ++recipes;
    long_recipes += is_long;
  }
  if (std::fclose(out) != 0 || written == 0) {
    std::fprintf(stderr, "generate_mxp: cannot write %s\n", argv[4]);
    return 1;
  }
  std::printf("%s: %llu bytes, %llu recipes, %llu over the body limit\n", argv[4],
              static_cast<unsigned long long>(written), static_cast<unsigned long long>(recipes),
              static_cast<unsigned long long>(long_recipes));
  return 0;
}
