// The column layout: the title line with its leading spaces, the header up to a rule of eight
// hyphens, and every following line as body text.
#include <string>
#include <vector>

#include "tests/conversion/conversion_case.h"

namespace mirtabel::testing {
namespace {

const std::string kRule = "--------";

std::vector<ConversionCase> column_cases() {
  return {
      {"worked_example",
       lines({"== RECIPE EXPORT ==", "", "   Apple Pie", "Serves: 4", "Amount  Ingredient",
              "--------  ----------", "1 cup flour", "", "Mix well.", "== RECIPE EXPORT ==", "",
              "Tea", "--------", "Boil water."}),
       "Apple Pie" + std::string(91, ' ') + "[PAGE]1 cup flour[PAGE][PAGE]Mix well.\n" + "Tea" +
           std::string(97, ' ') + "[PAGE]Boil water.\n",
       2},
      {"title_after_99_spaces_is_kept",
       lines({kMark, "", std::string(99, ' ') + "Tea", kRule, "x"}), record("Tea", "[PAGE]x"), 1},
      {"title_after_100_spaces_is_lost",
       lines({kMark, "", std::string(100, ' ') + "Tea", kRule, "x"}), record("", "[PAGE]x"), 1},
      {"title_after_150_spaces_is_lost",
       lines({kMark, "", std::string(150, ' ') + "Tea", kRule, "x"}), record("", "[PAGE]x"), 1},
      {"title_line_of_spaces_only", lines({kMark, "", "     ", kRule, "x"}), record("", "[PAGE]x"),
       1},
      {"empty_title_line", lines({kMark, "", "", kRule, "x"}), record("", "[PAGE]x"), 1},
      {"trailing_spaces_stay_in_the_title", lines({kMark, "", "   Apple Pie  ", kRule, "x"}),
       "Apple Pie" + std::string(91, ' ') + "[PAGE]x\n", 1},
      {"title_keeps_inner_spaces_and_tabs", lines({kMark, "", " \tTea  for\ttwo", kRule, "x"}),
       record("\tTea  for\ttwo", "[PAGE]x"), 1},
      {"nothing_after_the_rule_gives_an_empty_body", lines({kMark, "", "Tea", kRule}),
       record("Tea", ""), 1},
      {"rule_followed_by_the_next_marker_gives_an_empty_body",
       lines({kMark, "", "Tea", kRule, kMark, "", "Coffee", kRule, "Brew."}),
       record("Tea", "") + record("Coffee", "[PAGE]Brew."), 2},
      {"input_ending_in_the_header_writes_the_recipe",
       lines({kMark, "", "Tea", "Serves: 2", "Amount  Ingredient"}), record("Tea", ""), 1},
      {"input_ending_at_the_title_line_writes_the_recipe", lines({kMark, "", "Tea"}),
       record("Tea", ""), 1},
      // A last line without a line feed keeps all its characters, in the title and the body.
      {"title_line_without_line_feed_keeps_its_last_character", lines({kMark, ""}) + "Tea",
       record("Tea", ""), 1},
      {"body_line_without_line_feed_keeps_its_last_character",
       lines({kMark, "", "Tea", kRule}) + "Boil water", record("Tea", "[PAGE]Boil water"), 1},
      {"rule_anywhere_in_a_line_ends_the_header_and_seven_hyphens_do_not",
       lines({kMark, "", "Tea", "- - - - - - - -", "-------", "Amount x--------x Ingredient",
              "Boil."}),
       record("Tea", "[PAGE]Boil."), 1},
      {"body_lines_of_one_character_spaces_and_blank_lines",
       lines({kMark, "", "Tea", kRule, "a", "", "   ", "b", ""}),
       record("Tea", "[PAGE]a[PAGE][PAGE]   [PAGE]b[PAGE]"), 1},
      {"rule_in_the_body_is_body_text", lines({kMark, "", "Tea", kRule, "Boil.", kRule}),
       record("Tea", "[PAGE]Boil.[PAGE]" + kRule), 1},
      // A marker line starts a recipe in the header too: a recipe without its rule keeps its
      // title and has an empty body, and takes nothing of the recipes after it.
      {"recipe_without_rule_ends_at_the_next_marker_line",
       lines({kMark, "", "Tea", "Serves: 2", kMark, "", "Coffee", "Serves: 1", kMark, "", "Cake",
              kRule, "Bake.", kMark, "", "Soup", kRule, "Stir."}),
       record("Tea", "") + record("Coffee", "") + record("Cake", "[PAGE]Bake.") +
           record("Soup", "[PAGE]Stir."),
       4},
      {"recipe_without_rule_at_the_end_has_an_empty_body",
       lines({kMark, "", "Tea", "Serves: 2", kMark, "", "Coffee", "Brew."}),
       record("Tea", "") + record("Coffee", ""), 2},
      {"later_title_label_stays_column_layout",
       lines({kMark, "", "Tea", kRule, "Boil.", kMark, "", "  Title: Coffee", "Categories: x", "",
              kRule, "Brew."}),
       record("Tea", "[PAGE]Boil.") + record("Title: Coffee", "[PAGE]Brew."), 2},
  };
}

INSTANTIATE_TEST_SUITE_P(ColumnLayout, ConversionTest, ::testing::ValuesIn(column_cases()),
                         case_name);

}  // namespace
}  // namespace mirtabel::testing
