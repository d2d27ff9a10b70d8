// A layout: one arrangement of a recipe in MXP text. The record scanner frames every recipe the
// same way; a layout supplies the rules that differ: where the title starts, which lines are
// header, and how the body lines are taken.
#ifndef MIRTABEL_CONVERT_LAYOUT_H
#define MIRTABEL_CONVERT_LAYOUT_H

#include <cstddef>
#include <optional>

#include "platform/text_line.h"

namespace mirtabel {

class RecordScanner;

enum class LayoutKind { kColumn, kLabelled };

// How a recipe's body rules ended it.
enum class RecipeEnd {
  kAtInputEnd,  // the input ended: the recipe is written
  kAtMarker,    // a marker line came: the recipe is written and that line starts the next one
  kAbandoned,   // the body grew past its limit: nothing is written
};

class Layout {
 public:
  virtual LayoutKind kind() const noexcept = 0;
  // Byte offset in the title line where the title starts, or TitleField::kNoStart.
  virtual std::size_t title_start(const TextLine& title_line) const noexcept = 0;
  // Reads and discards the header lines that follow the title line. A marker line starts the
  // next recipe here too, so a recipe can end in its header: returns how it ended then (at that
  // marker line, or at the input's end), and nothing when its body follows.
  virtual std::optional<RecipeEnd> skip_header(RecordScanner& scanner) const noexcept = 0;
  // Reads the body lines into the scanner's body until the recipe ends.
  virtual RecipeEnd read_body(RecordScanner& scanner) const noexcept = 0;

 protected:
  ~Layout() = default;
};

}  // namespace mirtabel

#endif
