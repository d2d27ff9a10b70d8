// The labelled layout: the title line carries a label ("Title: Apple Pie"); header lines follow up
// to a short line; then a list block, whose lines each become one entry, and after the next
// short line a paragraph block, whose lines are joined into paragraphs.
#ifndef MIRTABEL_CONVERT_LABELLED_LAYOUT_H
#define MIRTABEL_CONVERT_LABELLED_LAYOUT_H

#include "convert/layout.h"

namespace mirtabel {

class LabelledLayout final : public Layout {
 public:
  LayoutKind kind() const noexcept override { return LayoutKind::kLabelled; }
  std::size_t title_start(const TextLine& title_line) const noexcept override;
  std::optional<RecipeEnd> skip_header(RecordScanner& scanner) const noexcept override;
  RecipeEnd read_body(RecordScanner& scanner) const noexcept override;

 private:
  static RecipeEnd read_paragraphs(RecordScanner& scanner) noexcept;
};

inline constexpr LabelledLayout kLabelledLayout{};

}  // namespace mirtabel

#endif
