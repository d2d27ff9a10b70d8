// The labelled layout and the choice of layout: the title after the first colon, the header up to
// a short line, the list block, and the paragraph block with its joined lines.
#include <string>
#include <utility>
#include <vector>

#include "tests/conversion/conversion_case.h"

namespace mirtabel::testing {
namespace {

// The start of a labelled recipe: marker, skipped line, title line, one header line, the empty
// line that ends the header.
std::string head(const std::string& title_line) {
  return lines({kMark, "", title_line, "Categories: Drinks", ""});
}

std::vector<ConversionCase> labelled_cases() {
  const std::string a4744(4744, 'a');
  return {
      {"worked_example",
       lines({"== RECIPE EXPORT ==", "", "Title: Apple Pie", "Categories: Desserts", "",
              "1 cup flour", "2 apples", "", "Mix the flour", "with the apples.",
              "     Bake for an hour.", "", "Serve warm."}),
       "Apple Pie" + std::string(91, ' ') +
           "[PAGE]1 cup flour[PAGE]2 apples[PAGE][PAGE]Mix the flourwith the apples."
           "[PAGE]     Bake for an hour.[PAGE]Serve warm.\n",
       1},
      {"nothing_after_the_colon_gives_no_title",
       head("Title:") + lines({"1 cup tea"}) + head("Name: ") + lines({"1 cup coffee"}),
       record("", "[PAGE]1 cup tea") + record("", "[PAGE]1 cup coffee"), 2},
      {"title_line_without_line_feed_ending_at_the_colon",
       lines({kMark, ""}) + "Title:", record("", ""), 1},
      {"colon_as_100th_character_starts_the_title", head(std::string(94, 'x') + "Title: Tea"),
       record("Tea", ""), 1},
      {"colon_after_the_100th_character_gives_no_title", head(std::string(95, 'x') + "Title: Tea"),
       record("", ""), 1},
      {"colon_search_counts_characters_not_bytes", head(repeat("é", 94) + "Title: Tea"),
       record("Tea", ""), 1},
      {"colon_search_stops_after_100_non_ascii_characters", head(repeat("é", 95) + "Title: Tea"),
       record("", ""), 1},
      {"character_after_the_colon_is_skipped_whatever_it_is",
       head("Title:Tea") + head("Name:Apple") + head("Name:éApple") + head("Name:€Pear"),
       record("ea", "") + record("pple", "") + record("Apple", "") + record("Pear", ""), 4},
      {"title_runs_from_the_first_colon", head("Title: Tea: green, 2 cups"),
       record("Tea: green, 2 cups", ""), 1},
      {"input_ending_inside_the_header", lines({kMark, "", "Title: Tea", "Categories: Drinks"}),
       record("Tea", ""), 1},
      {"input_ending_inside_the_list_block", head("Title: Tea") + lines({"1 cup water"}),
       record("Tea", "[PAGE]1 cup water"), 1},
      {"input_ending_inside_the_paragraph_block",
       head("Title: Tea") + lines({"1 cup water", "", "Boil the water."}),
       record("Tea", "[PAGE]1 cup water[PAGE][PAGE]Boil the water."), 1},
      {"long_marker_line_in_the_list_block_starts_the_next_recipe",
       head("Title: Tea") + lines({"1 cup water"}) + head("Title: Coffee") +
           lines({"1 cup coffee", "", "Brew it."}),
       record("Tea", "[PAGE]1 cup water") +
           record("Coffee", "[PAGE]1 cup coffee[PAGE][PAGE]Brew it."),
       2},
      // A marker line of 3 characters as read is a short line in the list block: it leads into
      // the paragraph block, which takes the next recipe's lines up to a marker it recognises.
      {"short_marker_line_in_the_list_block_starts_a_recipe",
       lines({"MK",
              "",
              "Title: Tea",
              "Categories: x",
              "",
              "1 cup tea",
              "MK",
              "",
              "Title: Coffee",
              "Categories: x",
              "",
              "1 cup coffee",
              "",
              "Brew it.",
              "xMK",
              "",
              "Title: Cake",
              "Servings: 4",
              "",
              "2 eggs"}),
       record("Tea", "[PAGE]1 cup tea") +
           record("Coffee", "[PAGE]1 cup coffee[PAGE][PAGE]Brew it.") +
           record("Cake", "[PAGE]2 eggs"),
       3},
      {"long_marker_line_in_the_header_starts_a_recipe",
       lines({kMark, "", "Title: Tea", "Categories: Drinks", kMark, "", "Title: Coffee", "",
              "1 cup coffee", "", "Brew it."}),
       record("Tea", "") + record("Coffee", "[PAGE]1 cup coffee[PAGE][PAGE]Brew it."), 2},
      {"list_body_of_exactly_9500_characters_is_written",
       head("Title: Big") + lines({a4744, a4744}) + head("Title: Tea") + lines({"1 cup tea"}),
       record("Big", "[PAGE]" + a4744 + "[PAGE]" + a4744) + record("Tea", "[PAGE]1 cup tea"), 2},
      {"list_body_of_9501_characters_is_dropped",
       head("Title: Big") + lines({a4744, a4744 + "a", "more", "", "Stir."}) + head("Title: Tea") +
           lines({"1 cup tea"}),
       record("Tea", "[PAGE]1 cup tea"), 1},
      // The two page marks of the short line are not tested against the limit; the paragraph
      // block's first append is.
      {"page_marks_of_the_short_line_are_not_tested_against_the_limit",
       head("Title: Big") + lines({a4744, a4744, ""}) + head("Title: Tea") + lines({"1 cup tea"}),
       record("Big", "[PAGE]" + a4744 + "[PAGE]" + a4744 + "[PAGE][PAGE]") +
           record("Tea", "[PAGE]1 cup tea"),
       2},
      {"first_paragraph_append_after_a_full_list_is_tested",
       head("Title: Big") + lines({a4744, a4744, "", "x"}) + head("Title: Tea") +
           lines({"1 cup tea"}),
       record("Tea", "[PAGE]1 cup tea"), 1},
      // 15 characters of list, 12 of page marks, then the joined paragraph lines.
      {"paragraph_body_of_exactly_9500_characters_is_written",
       head("Title: Big") +
           lines({"1 cup tea", "", std::string(4736, 'p'), std::string(4737, 'q')}) +
           head("Title: Tea") + lines({"1 cup tea"}),
       record("Big",
              "[PAGE]1 cup tea[PAGE][PAGE]" + std::string(4736, 'p') + std::string(4737, 'q')) +
           record("Tea", "[PAGE]1 cup tea"),
       2},
      {"paragraph_body_of_9501_characters_is_dropped",
       head("Title: Big") +
           lines({"1 cup tea", "", std::string(4736, 'p'), std::string(4738, 'q'), "Stir."}) +
           head("Title: Tea") + lines({"1 cup tea"}),
       record("Tea", "[PAGE]1 cup tea"), 1},
      {"empty_paragraph_block_at_the_input_end", head("Title: Tea") + lines({"1 cup tea", ""}),
       record("Tea", "[PAGE]1 cup tea[PAGE][PAGE]"), 1},
      {"empty_paragraph_block_before_the_next_recipe",
       head("Title: Tea") + lines({"1 cup tea", ""}) + head("Title: Coffee"),
       record("Tea", "[PAGE]1 cup tea[PAGE][PAGE]") + record("Coffee", ""), 2},
      {"empty_list_block", head("Title: Tea") + lines({"", "Boil."}),
       record("Tea", "[PAGE][PAGE]Boil."), 1},
      // The flag that lets indented lines start a paragraph is set by the first joined line,
      // not by a tiny line; before it, an indented line is joined itself.
      {"indented_lines_before_and_after_the_first_joined_line",
       head("Title: Tea") +
           lines({"1 cup tea", "", "", "     First", "     Second", "Plain", "     Third"}),
       record("Tea",
              "[PAGE]1 cup tea[PAGE][PAGE][PAGE]     First[PAGE]     SecondPlain"
              "[PAGE]     Third"),
       1},
      // Short lines are counted in characters as read, line feed included.
      {"short_line_tests_count_characters_not_bytes",
       lines({kMark, "", "Title: Tea", "Categories: x", "éééé", "ééééé", "€€€€€", "€€€€", "Done."}),
       record("Tea", "[PAGE]ééééé[PAGE]€€€€€[PAGE][PAGE]Done."), 1},
      {"header_line_of_6_characters_is_skipped_and_one_of_5_ends_it",
       lines({kMark, "", "Title: Tea", "Serve", "1234", "Boil."}), record("Tea", "[PAGE]Boil."), 1},
  };
}

// One paragraph line after a joined line, and what it adds to the body.
std::vector<ConversionCase> paragraph_line_cases() {
  const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> table = {
      {"one_character_as_read", {"\n", "[PAGE]"}},
      {"two_characters_as_read", {"a\n", "[PAGE]a"}},
      {"three_characters_as_read", {"ab\n", "[PAGE]ab"}},
      {"four_characters_as_read", {"abc\n", "abc"}},
      {"five_characters_as_read", {"abcd\n", "abcd"}},
      {"three_characters_without_line_feed", {"abc", "[PAGE]abc"}},
      {"four_characters_without_line_feed", {"abcd", "abcd"}},
      {"three_spaces", {"   \n", "   "}},
      {"four_spaces", {"    \n", "    "}},
      {"fourth_space_and_fifth_not", {"ab  c\n", "ab  c"}},
      {"fourth_and_fifth_spaces", {"abc  d\n", "[PAGE]abc  d"}},
      {"fourth_and_fifth_spaces_after_tabs", {"\t\t\t  d\n", "[PAGE]\t\t\t  d"}},
      {"indented_by_five_spaces", {"     Indented\n", "[PAGE]     Indented"}},
      {"three_2_byte_characters_then_two_spaces", {"ééé  x\n", "[PAGE]ééé  x"}},
      {"three_3_byte_characters_then_two_spaces", {"€€€  x\n", "[PAGE]€€€  x"}},
      {"spaces_at_bytes_4_and_5_but_not_characters_4_and_5", {"é   yz\n", "é   yz"}},
      {"two_2_byte_characters_as_three_characters", {"éé\n", "[PAGE]éé"}},
      {"three_2_byte_characters_as_four_characters", {"ééé\n", "ééé"}},
  };
  std::vector<ConversionCase> cases;
  for (const auto& [name, line_and_added] : table) {
    cases.push_back({"paragraph_line_of_" + name,
                     head("Title: Tea") + lines({"1 cup tea", "", "Boil."}) + line_and_added.first,
                     record("Tea", "[PAGE]1 cup tea[PAGE][PAGE]Boil." + line_and_added.second), 1});
  }
  return cases;
}

// The first recipe's title line decides the layout of the whole file; nothing that the column
// rules would make of the first recipe reaches the output.
std::vector<ConversionCase> layout_choice_cases() {
  return {
      {"title_label_chooses_the_labelled_layout_for_the_whole_file",
       lines({kMark, "", "  Title: Tea", "--------", "", "Boil water.", kMark, "", "Title: Coffee",
              "", "Brew it.", "", "Serve."}),
       record("Tea", "[PAGE]Boil water.") + record("Coffee", "[PAGE]Brew it.[PAGE][PAGE]Serve."),
       2},
      {"title_label_anywhere_in_the_first_title_line",
       lines({kMark, "", "Recipe Title: Tea", "", "1 cup tea"}), record("Tea", "[PAGE]1 cup tea"),
       1},
      {"later_title_lines_need_no_label",
       head("Title: Tea") + lines({"1 cup tea"}) + head("Coffee") + lines({"1 cup coffee"}),
       record("Tea", "[PAGE]1 cup tea") + record("", "[PAGE]1 cup coffee"), 2},
      {"dropped_first_recipe_still_chooses_the_labelled_layout",
       head("Title: Big") + lines({std::string(4744, 'a'), std::string(4745, 'a')}) +
           head("Coffee") + lines({"1 cup coffee"}),
       record("", "[PAGE]1 cup coffee"), 1},
      {"input_ending_at_the_first_title_line", lines({kMark, ""}) + "Title: Tea", record("Tea", ""),
       1},
      {"lower_case_label_keeps_the_column_layout",
       lines({kMark, "", "title: Tea", "", "--------", "Boil."}),
       record("title: Tea", "[PAGE]Boil."), 1},
      {"label_with_space_before_colon_keeps_the_column_layout",
       lines({kMark, "", "Title : Tea", "", "--------", "Boil."}),
       record("Title : Tea", "[PAGE]Boil."), 1},
  };
}

INSTANTIATE_TEST_SUITE_P(LabelledLayout, ConversionTest, ::testing::ValuesIn(labelled_cases()),
                         case_name);
INSTANTIATE_TEST_SUITE_P(ParagraphLine, ConversionTest, ::testing::ValuesIn(paragraph_line_cases()),
                         case_name);
INSTANTIATE_TEST_SUITE_P(LayoutChoice, ConversionTest, ::testing::ValuesIn(layout_choice_cases()),
                         case_name);

}  // namespace
}  // namespace mirtabel::testing
