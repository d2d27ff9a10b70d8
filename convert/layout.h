// A layout: one arrangement of a recipe in MXP text. The recipe framer frames every recipe the
// same way; a layout supplies the rules that differ, as a class of static members:
//   kKind                    its LayoutKind;
//   title_start(title_line)  the byte offset in the title line where the title starts, or
//                            TitleField::kNoStart;
//   skip_header(framer)      reads the header lines that follow the title line. A marker line
//                            starts the next recipe here too, so a recipe can end in its header:
//                            returns how it ended then (at that marker line, or at the input's
//                            end), and nothing when its body follows;
//   read_body(framer)        takes the body lines into the framer's recipe until it ends.
#ifndef MIRTABEL_CONVERT_LAYOUT_H
#define MIRTABEL_CONVERT_LAYOUT_H

namespace mirtabel {

enum class LayoutKind { kColumn, kLabelled };

// How a recipe's body rules ended it.
enum class RecipeEnd {
  kAtInputEnd,  // the input ended: the recipe is written
  kAtMarker,    // a marker line came: the recipe is written and that line starts the next one
  kAbandoned,   // the body grew past its limit: nothing is written
};

// Whether a line's text joins the body after a page mark or directly after the text before it.
enum class PageMark { kBefore, kNone };

// What a line read is to the one before it. A line longer than one read comes in pieces: the
// first is read as a line, and each one after it continues the line it is a piece of.
enum class LinePiece {
  kLine,    // a line, or the first piece of one
  kJoined,  // a piece after a cut between two characters that are not white space
  kSpaced,  // a piece after a cut with white space on one side of it or both
};

}  // namespace mirtabel

#endif
