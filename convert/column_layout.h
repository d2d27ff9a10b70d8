// The column layout: the title stands alone on its line, possibly indented; header lines follow
// up to a rule of hyphens; every line after the rule is body text.
#ifndef MIRTABEL_CONVERT_COLUMN_LAYOUT_H
#define MIRTABEL_CONVERT_COLUMN_LAYOUT_H

#include "convert/layout.h"

namespace mirtabel {

class ColumnLayout final : public Layout {
 public:
  LayoutKind kind() const noexcept override { return LayoutKind::kColumn; }
  std::size_t title_start(const TextLine& title_line) const noexcept override;
  std::optional<RecipeEnd> skip_header(RecordScanner& scanner) const noexcept override;
  RecipeEnd read_body(RecordScanner& scanner) const noexcept override;
};

inline constexpr ColumnLayout kColumnLayout{};

}  // namespace mirtabel

#endif
