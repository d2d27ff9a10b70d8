// A second reading of the recipes: instead of writing flat records, the conversion hands every
// framed recipe, line by line, to a listener that builds its own output from them.
#ifndef MIRTABEL_CONVERT_RECIPE_LISTENER_H
#define MIRTABEL_CONVERT_RECIPE_LISTENER_H

#include <cstddef>
#include <cstdint>

#include "convert/conversion_observer.h"
#include "convert/layout.h"
#include "convert/title_field.h"
#include "platform/text_line.h"

namespace mirtabel {

// The recipes are framed by the same rules as the flat records (marker lines, the layout's
// header and body rules), but none is left out for its length. Lines are passed as read: UTF-8,
// the line feed included where the line has one; they are valid during the call only.
class RecipeListener {
 public:
  // A recipe starts. `title_start` is the byte offset in `title_line` where the layout's title
  // rule finds the title, or TitleField::kNoStart.
  virtual void recipe_started(LayoutKind layout, const TextLine& title_line,
                              std::size_t title_start) noexcept = 0;
  // The next line of the recipe after its title line: header lines, rules and body lines alike,
  // in order; `piece` tells whether it continues the line before (the title line too). The marker
  // line that ends a recipe belongs to the next one and is not passed.
  virtual void recipe_line(const TextLine& line, LinePiece piece) noexcept = 0;
  // The recipe ended, at the next marker line or at the input's end; it stands at `place` in
  // the input, after `recipes_before` others. Returns 0, or the errno value of a failed write,
  // which stops the conversion.
  virtual int recipe_ended(const RecipePlace& place, std::int32_t recipes_before) noexcept = 0;

 protected:
  ~RecipeListener() = default;
};

}  // namespace mirtabel

#endif
