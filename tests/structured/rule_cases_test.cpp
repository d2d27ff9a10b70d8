// The reading's rules, one or two cases each: in a zone of a recipe of a layout, after the
// line before, a line goes to a field with a value, and in the directions it is the named rule
// of the table that takes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "recipes/structured_reading.h"

namespace mirtabel::testing {
namespace {

enum class Zone { kHeader, kIngredients, kDirections };

struct RuleCase {
  const char* rule;  // a rule of the zone's tables that takes the line
  Zone zone;
  LayoutKind layout;
  const char* before;  // the lines before, read first; nullptr for none
  const char* line;
  RecipeField field;  // of the item the line wrote to
  const char* value;  // its value after the line; nullptr: the line writes nothing
  const char* title = "Tapas";
};

constexpr LayoutKind kColumn = LayoutKind::kColumn;
constexpr LayoutKind kLabelled = LayoutKind::kLabelled;
constexpr RecipeField kStep = RecipeField::kStep;
constexpr RecipeField kComment = RecipeField::kComment;
constexpr RecipeField kIngredient = RecipeField::kIngredient;

// Lines that a column export wrapped at 60 and at 78 columns.
#define WRAPPED_AT_60 "Fry the onion in the oil until it is golden, then add garlic\n"
#define WRAPPED_AT_78 \
  "Cook the beans in plenty of salted water until they are quite soft, then drain\n"

const RuleCase kCases[] = {
    // Directions.
    {"ends paragraph", Zone::kDirections, kLabelled, "Stir.", "- - - - - -", kStep, nullptr},
    {"value after label", Zone::kDirections, kColumn, "Yield:", "  \"1 loaf\"", RecipeField::kYield,
     "1 loaf"},
    {"analysis", Zone::kDirections, kLabelled, nullptr, "334 cal per 3/4 c sauce, 1/2 c spaghetti",
     RecipeField::kNutrition, "334 cal per 3/4 c sauce, 1/2 c spaghetti"},
    {"analysis", Zone::kDirections, kLabelled, nullptr, "215 Cal. Per Half & 3 T. Sauce.",
     RecipeField::kNutrition, "215 Cal. Per Half & 3 T. Sauce."},
    {"analysis", Zone::kDirections, kLabelled, nullptr, "  Per cookie: 110 calories, 5 g fat",
     RecipeField::kNutrition, "Per cookie: 110 calories, 5 g fat"},
    {"labelled part", Zone::kDirections, kColumn, nullptr, "Ratings       : Ann and Bo 10",
     kComment, "Ann and Bo 10"},
    {"labelled part", Zone::kDirections, kColumn, nullptr, "S(Internet address):", kComment, ""},
    {"labelled part", Zone::kDirections, kLabelled, nullptr, "MARK'S NOTES: Use less oil.",
     kComment, "Use less oil."},
    {"notes heading", Zone::kDirections, kColumn, nullptr, "NOTES", kComment, ""},
    {"credit", Zone::kDirections, kLabelled, "\"Kept cold, it lasts a week.\"",
     "    --From Good Cooking, May 1993.", kComment, "--From Good Cooking, May 1993."},
    {"credit", Zone::kDirections, kLabelled, nullptr, "Source unknown", kComment, "Source unknown"},
    {"credit", Zone::kDirections, kLabelled, "", "  Ann & Bo Lee ann@example.com 10/2/95", kComment,
     "Ann & Bo Lee ann@example.com 10/2/95"},
    {"continues open", Zone::kDirections, kLabelled,
     "  Cover, Reduce Heat & Simmer 40 Min. OR Until Rice Is Tender. Remove",
     "  From Heat. Set Aside.", kStep,
     "Cover, Reduce Heat & Simmer 40 Min. OR Until Rice Is Tender. Remove From Heat. Set Aside."},
    {"credit", Zone::kDirections, kLabelled, "  Serve hot.", "  \"Good Cooking\" Spring, 1995",
     kComment, "\"Good Cooking\" Spring, 1995"},
    {"directions heading", Zone::kDirections, kLabelled, nullptr, "*<* Directions *>*", kStep,
     nullptr},
    {"directions heading", Zone::kDirections, kLabelled, nullptr,
     "*<* Directions *>* To make the shell: Melt it.", kStep, "To make the shell: Melt it."},
    {"run-in heading", Zone::kDirections, kLabelled, nullptr, "To cook: 1. Salt the beans.", kStep,
     "Salt the beans."},
    {"numbered step", Zone::kDirections, kLabelled, nullptr, "1.Boil the rice. 2.Drain it.", kStep,
     "Drain it."},
    // The shortest line each rule takes, which the table's shortest sizes must let through.
    {"analysis", Zone::kDirections, kLabelled, nullptr, "Calories:", RecipeField::kNutrition,
     "Calories:"},
    {"notes heading", Zone::kDirections, kLabelled, nullptr, "Note", kComment, ""},
    {"credit", Zone::kDirections, kLabelled, nullptr, "\xC2\xA9", kComment, "\xC2\xA9"},
    {"directions heading", Zone::kDirections, kLabelled, nullptr, "Method", kStep, nullptr},
    {"run-in heading", Zone::kDirections, kLabelled, nullptr, "A:1.B", kStep, "B"},
    {"numbered step", Zone::kDirections, kLabelled, nullptr, "1.B", kStep, "B"},
    {"stated yield", Zone::kDirections, kColumn, "4.  Bake.", "5.  Makes 8 cups.",
     RecipeField::kYield, "8 cups"},
    {"continues open", Zone::kDirections, kLabelled,
     WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60
         WRAPPED_AT_60 WRAPPED_AT_60
     "and cook.\n\n  Cover and simmer until the rice is tender. Remove",
     "  From the heat.", kStep, "Cover and simmer until the rice is tender. Remove From the heat."},
    {"continues open", Zone::kDirections, kLabelled, "  Cover and simmer until tender.  Remove",
     "  from the broth; cool.", kStep,
     "Cover and simmer until tender. Remove from the broth; cool."},
    {"continues open", Zone::kDirections, kLabelled, "  Mix the flour.", "   Then knead it.", kStep,
     "Mix the flour. Then knead it."},
    // Blanks in a row within the last nine bytes, and tabs, stand for one space.
    {"continues open", Zone::kDirections, kLabelled, "  Stir in the salt, then the  oil.",
     "  Cover and simmer\t \tuntil done  ok.", kStep,
     "Stir in the salt, then the oil. Cover and simmer until done ok."},
    {"continues open", Zone::kDirections, kColumn, "Toss with flour. (Leave", "Mozzarella apart.)",
     kStep, "Toss with flour. (Leave Mozzarella apart.)"},
    // The wrap width is the file's own: lines that stop mid-sentence at 60 columns show an
    // export that wraps there, and lines at 78 columns one that wraps at 78.
    {"continues open", Zone::kDirections, kColumn,
     WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60 WRAPPED_AT_60
         WRAPPED_AT_60 WRAPPED_AT_60
     "and cook.\n\nAdd the beans to boiling water, bring to a boil and cook.",
     "Cover and cook.", kStep,
     "Add the beans to boiling water, bring to a boil and cook. Cover and cook."},
    {"step", Zone::kDirections, kColumn,
     WRAPPED_AT_78 WRAPPED_AT_78 WRAPPED_AT_78 WRAPPED_AT_78 WRAPPED_AT_78 WRAPPED_AT_78
         WRAPPED_AT_78 WRAPPED_AT_78
     "them.\n\nAdd the beans to the boiling water, bring it back to a boil and cook it.",
     "Cover and cook.", kStep, "Cover and cook."},
    {"continues open", Zone::kDirections, kColumn, "Sprinkle with 1", "Tablespoon sugar.", kStep,
     "Sprinkle with 1 Tablespoon sugar."},
    {"continues open", Zone::kDirections, kColumn, "1.  Cook the beans.", " Or use canned beans.",
     kStep, "Cook the beans. Or use canned beans."},
    {"step", Zone::kDirections, kColumn, "Add the beans to boiling water and cook 3 minutes.",
     "Cover and cook.", kStep, "Cover and cook."},
    {"continues open", Zone::kDirections, kLabelled, "  Heat until a drop in cold water",
     "    forms a ball.", kStep, "Heat until a drop in cold water forms a ball."},
    {"step", Zone::kDirections, kLabelled, "  Mix the flour.", "     Bake for an hour.", kStep,
     "Bake for an hour."},
    {"step", Zone::kDirections, kLabelled, "   Soak the beans.\n  Drain them.", "   Add the rice.",
     kStep, "Add the rice."},
    {"step", Zone::kDirections, kLabelled, "", "  Chill. Source: \"Good Things\" by Ann Lee.",
     kComment, "Source: \"Good Things\" by Ann Lee."},
    {"step", Zone::kDirections, kLabelled, "", "  Cut into squares. Makes about 1 1/4 lbs.",
     RecipeField::kYield, "about 1 1/4 lbs"},
    {"step", Zone::kDirections, kLabelled, "", "  Chill. ** From the Collection of Ann Lee",
     kComment, "** From the Collection of Ann Lee"},
    {"signature", Zone::kDirections, kLabelled, "", "Ann Lee, \"The Vegetable Year\"", kComment,
     "Ann Lee, \"The Vegetable Year\""},
    {"signature", Zone::kDirections, kColumn, "", "Ann Lee, Concord, MA", kComment,
     "Ann Lee, Concord, MA"},
    {"date", Zone::kDirections, kColumn, nullptr, "Jan 12, 1998", kComment, "Jan 12, 1998"},
    {"footnote", Zone::kDirections, kLabelled, nullptr, "**\"Easy for a crowd.\"", kComment,
     "**\"Easy for a crowd.\""},
    {"footnote", Zone::kDirections, kLabelled, nullptr, "**** That is it. **** Enjoy!", kComment,
     "**** That is it. **** Enjoy!"},
    {"steps heading", Zone::kDirections, kLabelled, nullptr,
     "For the Basting Sauce:", RecipeField::kSection, "For the Basting Sauce"},
    {"after rule", Zone::kDirections, kColumn, "- - - - - -", "Keeps a week.", kComment,
     "Keeps a week."},
    // Ingredients: rows continue by what the two rows say.
    {"block end", Zone::kIngredients, kLabelled, "      1 c  Rice", "", kIngredient, nullptr},
    {"continuation", Zone::kIngredients, kLabelled, "      2 sm Onion; peeled, sliced 1/8",
     "           ;inch thick", kIngredient, "2 sm Onion; peeled, sliced 1/8 inch thick"},
    {"continuation", Zone::kIngredients, kLabelled, "    1/2 lb Shrimp, lightly",
     "           Cooked", kIngredient, "1/2 lb Shrimp, lightly Cooked"},
    {"continuation", Zone::kIngredients, kLabelled, "    1/2 c  Beans (small",
     "           White beans)", kIngredient, "1/2 c Beans (small White beans)"},
    {"ingredient", Zone::kIngredients, kLabelled, "      1    Lemon; juice of",
     "           Salt; to taste", kIngredient, "Salt; to taste"},
    {"margin mark", Zone::kIngredients, kLabelled, "        2 lb lamb, cubed  -- cut into",
     "  :     2    inch chunks", kIngredient, "2 lb lamb, cubed -- cut into 2 inch chunks"},
    {"placeholder", Zone::kIngredients, kColumn, nullptr,
     "                        ***** NONE *****", kIngredient, nullptr},
    {"decorated heading", Zone::kIngredients, kLabelled, nullptr,
     "MMMMM-----SPINACH-FETA FILLING-----", RecipeField::kIngredientHeading,
     "SPINACH-FETA FILLING"},
    {"continuation", Zone::kIngredients, kLabelled, "----------OTHER GREENS TO-----------",
     "           -form your own mix", RecipeField::kIngredientHeading,
     "OTHER GREENS TO form your own mix"},
    {"ingredient", Zone::kIngredients, kLabelled,
     "           GARNISH:", "           -Whipped cream", kIngredient, "-Whipped cream"},
    {"poster", Zone::kIngredients, kLabelled, nullptr, "           -Ann Lee ABCD12A", kComment,
     "-Ann Lee ABCD12A"},
    {"poster", Zone::kIngredients, kLabelled, "           -From the Kitchen of",
     "           -Ann & Bo Lee", kComment, "-From the Kitchen of Ann & Bo Lee"},
    {"colon heading", Zone::kIngredients, kLabelled, nullptr,
     "           Basic Cake:", RecipeField::kIngredientHeading, "Basic Cake"},
    {"colon heading", Zone::kIngredients, kColumn, nullptr,
     "                        For the sauce:", RecipeField::kIngredientHeading, "For the sauce"},
    {"continuation", Zone::kIngredients, kLabelled, "           Into a large bowl, sift",
     "           -together:", kIngredient, "Into a large bowl, sift together:"},
    {"out of columns", Zone::kIngredients, kLabelled, nullptr, "  Salt and pepper to taste",
     kIngredient, "Salt and pepper to taste"},
    {"entries", Zone::kIngredients, kLabelled, nullptr,
     "      1 c  Sugar                        1/2 c  Cake yeast", kIngredient, "1/2 c Cake yeast"},
    {"empty entry", Zone::kIngredients, kLabelled, nullptr,
     "                                     1/2 c  Cake yeast", kIngredient, "1/2 c Cake yeast"},
    {"ingredient", Zone::kIngredients, kColumn,
     "  1 1/2     pounds        beans -- undrained, a good many more words here",
     "                          salt and pepper -- to taste", kIngredient,
     "salt and pepper -- to taste"},
    {"continuation", Zone::kIngredients, kColumn,
     "  1         cup           walnuts -- toasted and coarsely",
     "                          chopped", kIngredient,
     "1 cup walnuts -- toasted and coarsely chopped"},
    {"continuation", Zone::kIngredients, kColumn, "   3      cups          apples -- cored",
     "                        and chopped", kIngredient, "3 cups apples -- cored and chopped"},
    {"continuation", Zone::kIngredients, kLabelled, "      3 c  Rolled oats",
     "           -OR- quick oats", kIngredient, "3 c Rolled oats -OR- quick oats"},
    {"continuation", Zone::kIngredients, kLabelled, "      2    Chicken breasts",
     "           Or whole legs", kIngredient, "2 Chicken breasts Or whole legs"},
    {"ingredient", Zone::kIngredients, kLabelled, "    1/2    Cake dry yeast",
     "           OR 1/2 cake compressed yeast", kIngredient, "OR 1/2 cake compressed yeast"},
    // The header.
    {"header end", Zone::kHeader, kColumn, nullptr,
     "--------  ------------  --------------------------------", kComment, nullptr},
    {"header blank", Zone::kHeader, kColumn, nullptr, "", kComment, nullptr},
    {"more categories", Zone::kHeader, kColumn, "Categories    : Breads",
     "                Quick Breads", RecipeField::kCategory, "Quick Breads"},
    {"column names", Zone::kHeader, kColumn, nullptr,
     "  Amount  Measure       Ingredient -- Preparation Method", kComment, nullptr},
    {"two fields", Zone::kHeader, kColumn, nullptr, "Serving Size  : 1     Preparation Time :0:15",
     RecipeField::kPrepTime, "0:15"},
    {"serving count", Zone::kHeader, kColumn, nullptr,
     "Serving Size  : 6     \"MPreparation Time :0:50", RecipeField::kYield,
     "6     \"MPreparation Time :0:50"},
    {"serving count", Zone::kHeader, kColumn, nullptr,
     "Serving Size  : 8     Preparation TimeTitle:", RecipeField::kYield,
     "8     Preparation TimeTitle:"},
    {"categories", Zone::kHeader, kLabelled, nullptr, " Categories: Soups, Stews",
     RecipeField::kCategory, "Stews"},
    {"categories", Zone::kHeader, kLabelled, nullptr, " Categories: None", RecipeField::kCategory,
     nullptr},
    {"serving count", Zone::kHeader, kLabelled, nullptr, "   Servings:  6", RecipeField::kYield,
     "6"},
    {"recipe by", Zone::kHeader, kColumn, nullptr, "Recipe By     : Ann Lee", RecipeField::kAuthor,
     "Ann Lee"},
    {"preparation time", Zone::kHeader, kColumn, nullptr, "Preparation Time : 1:30",
     RecipeField::kPrepTime, "1:30"},
    {"known part", Zone::kHeader, kLabelled, nullptr, "  Cook Time: 0:40", RecipeField::kCookTime,
     "0:40"},
    {"known part", Zone::kHeader, kLabelled, nullptr, " T(Baking Time): \"0:40\"",
     RecipeField::kCookTime, "0:40"},
    {"value after label", Zone::kHeader, kLabelled, "T(Preparation Time):", "\"0:40\"",
     RecipeField::kPrepTime, "0:40"},
    {"labelled field", Zone::kHeader, kColumn, nullptr, "Cuisine       : Thai", kComment, "Thai"},
    {"title", Zone::kHeader, kColumn, nullptr, "       Corn Bread", RecipeField::kName,
     "Corn Bread", ""},
    {"unlabelled", Zone::kHeader, kLabelled, nullptr, "  A family favourite", kStep,
     "A family favourite"},
};

// The rules that fire on the lines read since it was cleared.
struct FiredRules final : RuleCounts {
  std::vector<std::string> names;
  void add(std::string_view rule) noexcept override { names.emplace_back(rule); }
};

// Feeds the lines of `text` to the reading one by one, as the framing would.
void read(StructuredReading& reading, const std::string& text) {
  for (std::size_t begin = 0; begin <= text.size();) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    const std::string line = text.substr(begin, end - begin) + "\n";
    TextLine piece;
    piece.bytes = reinterpret_cast<const unsigned char*>(line.data());
    piece.size = line.size();
    piece.chars = line.size();
    reading.read(piece, LinePiece::kLine);
    begin = end + 1;
  }
}

// The lines of a recipe up to the zone: the column layout's rule, or the labelled header's
// blank line, then for the directions an ingredient and a blank line.
std::vector<std::string> lines_before(Zone zone, LayoutKind layout) {
  std::vector<std::string> lines;
  if (zone == Zone::kHeader) return lines;
  lines.push_back(layout == kColumn ? "--------  ------------  --------------------------------"
                                    : "");
  if (zone == Zone::kDirections) {
    lines.push_back(layout == kColumn ? "  1               cup  rice" : "      1 c  Rice");
    lines.push_back("");
  }
  return lines;
}

TEST(RuleCases, EachRuleReadsItsLine) {
  std::vector<unsigned char> text(1 << 16);
  std::vector<RecipeItem> items(256);
  for (const RuleCase& c : kCases) {
    SCOPED_TRACE(std::string(c.rule) + ": " + c.line);
    StructuredReading reading({text.data(), text.size(), items.data(), items.size()});
    FiredRules fired;
    reading.count_rules(&fired);
    const std::string title = std::string(c.title) + "\n";
    TextLine title_line;
    title_line.bytes = reinterpret_cast<const unsigned char*>(title.data());
    title_line.size = title_line.chars = title.size();
    reading.start(c.layout, title_line, 0);
    for (const std::string& line : lines_before(c.zone, c.layout))
      read(reading, line);
    if (c.before != nullptr) read(reading, c.before);
    const StructuredRecipe& recipe = reading.recipe();
    const std::size_t writes = recipe.writes();
    fired.names.clear();
    read(reading, c.line);
    reading.finish();
    EXPECT_NE(std::find(fired.names.begin(), fired.names.end(), c.rule), fired.names.end())
        << ::testing::PrintToString(fired.names);
    if (c.value == nullptr) {
      EXPECT_EQ(recipe.writes(), writes);
      continue;
    }
    ASSERT_NE(recipe.writes(), writes);
    const std::size_t item = recipe.last_written();
    EXPECT_EQ(recipe.field(item), c.field);
    EXPECT_EQ(recipe.value(item), c.value);
  }
}

template <typename Table>
std::vector<std::string> names_of(const Table& table) {
  std::vector<std::string> names;
  for (const auto& rule : table)
    names.emplace_back(rule.name);
  return names;
}

// The rules of each zone, in their tables' order; the ingredient block's row rules first, then
// those of its entries.
struct ZoneRules {
  const char* section;  // of docs/structured.md that lists them
  std::vector<std::string> rules;
};

std::vector<ZoneRules> zone_rules() {
  std::vector<std::string> ingredients = names_of(IngredientReading::kRules);
  for (const std::string& rule : names_of(IngredientReading::kEntryRules))
    ingredients.push_back(rule);
  return {{"## Header", names_of(HeaderReading::kRules)},
          {"## Ingredients", ingredients},
          {"## Steps", names_of(DirectionsReading::kRules)}};
}

// Every rule of every table has a case.
TEST(RuleCases, CoverEveryRuleOfEveryTable) {
  for (const ZoneRules& zone : zone_rules()) {
    for (const std::string& rule : zone.rules) {
      bool covered = false;
      for (const RuleCase& c : kCases)
        covered = covered || rule == c.rule;
      EXPECT_TRUE(covered) << rule;
    }
  }
}

// docs/structured.md lists the rules of each zone in the tables' order, by name.
TEST(RuleCases, TheDocumentationListsEachZonesRulesInTheirOrder) {
  for (const ZoneRules& zone : zone_rules()) {
    std::ifstream doc(MIRTABEL_SOURCE_DIR "/docs/structured.md");
    ASSERT_TRUE(doc) << "docs/structured.md";
    std::vector<std::string> listed;
    const std::regex item(R"(^\d+\. `([^`]+)`: )");
    bool in_section = false;
    for (std::string line; std::getline(doc, line);) {
      if (line.rfind("## ", 0) == 0) in_section = line == zone.section;
      std::smatch found;
      if (in_section && std::regex_search(line, found, item)) listed.push_back(found[1]);
    }
    EXPECT_EQ(listed, zone.rules) << zone.section;
  }
}

}  // namespace
}  // namespace mirtabel::testing
