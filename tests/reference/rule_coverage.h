// Which conversion rules the reference converter applied, and how often. The generated comparison
// checks with it that its inputs reach every rule, so that a change to the generator cannot
// quietly stop testing one.
#ifndef MIRTABEL_TESTS_REFERENCE_RULE_COVERAGE_H
#define MIRTABEL_TESTS_REFERENCE_RULE_COVERAGE_H

#include <array>
#include <cstddef>

namespace mirtabel::reference {

enum class Rule {
  // Bytes into characters.
  kUtf8WithoutMark,
  kUtf8Mark,
  kUtf16LEMark,
  kUtf16BEMark,
  kThreeByteSequenceWithLeadE0,
  kFourByteSequence,
  kByteReadAsWindows1252,
  kSurrogatePair,
  kUnpairedSurrogate,
  kOddFinalByteDropped,
  kEndOfFileMark,
  kCrLf,
  kLoneCr,
  // Characters into lines.
  kLineCutAtLimit,
  kLineCutBeforePair,  // only where wchar_t has 16 bits
  kLastLineWithoutLineFeed,
  // Framing, title field and body.
  kFirstLineOver999,
  kMarkerWithoutLineFeed,
  kColumnLayout,
  kLabelledLayout,
  kTitleCut,
  kTitleCutBeforePair,  // only where wchar_t has 16 bits
  kNoTitleStart,
  kRecordAtMarker,
  kRecordAtInputEnd,
  kBodyOfExactlyTheLimit,
  kBodyPastTheLimitWritten,  // the two page marks that end a list block
  kAbandonedOneOverTheLimit,
  kAbandoned,
  // Column layout.
  kMarkerInColumnHeader,
  kLabelInLaterColumnTitle,
  // Labelled layout.
  kMarkerInLabelledHeader,
  kMarkerEndsList,
  kShortMarkerEndsList,
  kMarkerEndsParagraphs,
  kTinyParagraphLine,
  kIndentedLineJoined,
  kIndentedLineAfterJoin,
  kCount
};

inline constexpr const char* kRuleNames[] = {
    "UTF-8 without a byte-order mark",
    "UTF-8 byte-order mark",
    "UTF-16LE byte-order mark",
    "UTF-16BE byte-order mark",
    "UTF-8 sequence with lead byte E0",
    "4-byte UTF-8 sequence",
    "byte read alone as Windows-1252",
    "UTF-16 surrogate pair",
    "unpaired UTF-16 surrogate",
    "odd final byte dropped",
    "final Ctrl-Z dropped",
    "CR LF",
    "lone CR",
    "line cut at 4,999 characters",
    "line cut at 4,998 before a surrogate pair",
    "last line without a line feed",
    "first line longer than 999 characters",
    "marker line without a line feed",
    "column layout",
    "labelled layout",
    "title cut at 100 characters",
    "title cut at 99 before a surrogate pair",
    "title line without a title start",
    "record written at a marker line",
    "record written at the input's end",
    "body of exactly 9,500 characters written",
    "body over 9,500 characters written",
    "recipe abandoned at 9,501 characters",
    "recipe abandoned",
    "marker line ends a recipe in its column header",
    "\"Title:\" in a later column title line",
    "marker line ends a recipe in its labelled header",
    "marker line ends a list block",
    "short marker line ends a recipe in its list block",
    "marker line ends a paragraph block",
    "tiny paragraph line",
    "indented paragraph line joined",
    "indented paragraph line after a joined one",
};
static_assert(sizeof kRuleNames / sizeof kRuleNames[0] == static_cast<std::size_t>(Rule::kCount));

// Rules that can apply only where wchar_t has 16 bits.
constexpr bool needs_utf16_wide(Rule rule) {
  return rule == Rule::kLineCutBeforePair || rule == Rule::kTitleCutBeforePair;
}

struct RuleCoverage {
  std::array<std::size_t, static_cast<std::size_t>(Rule::kCount)> applied{};

  void note(Rule rule) { ++applied[static_cast<std::size_t>(rule)]; }
  std::size_t count(Rule rule) const { return applied[static_cast<std::size_t>(rule)]; }
};

}  // namespace mirtabel::reference

#endif
