// A place in a text: bytes, and lines and columns as a user counts them.
//
// One rule counts columns everywhere (reports, diagnostics, edits, notes,
// the source map): a column is one character, that is one Unicode scalar
// value, or one maximal subpart of an ill-formed UTF-8 sequence (shown as
// one U+FFFD); lines and columns count from 1; a line ends after each line
// feed (a carriage return is a character like any other).
//
// One rule for the byte-order mark: a UTF-8 byte-order mark (EF BB BF) at
// the start of a text is not part of the requirements. `check` and
// `format` skip it and `parse` does not; where it is skipped, line 1
// column 1 is the character after it, while byte offsets still count it,
// so that edits apply to the text as given, and `format` keeps it at the
// start of what it writes. `LineIndex` counts it as no column.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace jrl {

// Lines and columns from 1; the column in characters (see above).
struct LineCol {
  std::size_t line = 1;
  std::size_t column = 1;
  friend bool operator==(const LineCol&, const LineCol&) = default;
};

// Bytes [start, end) of a text.
struct ByteSpan {
  std::size_t start = 0;
  std::size_t end = 0;
  friend bool operator==(const ByteSpan&, const ByteSpan&) = default;
};

// The same place as a user counts it: `end` is one column past the last
// character, as in a report's span.
struct SourceSpan {
  LineCol start;
  LineCol end;
  friend bool operator==(const SourceSpan&, const SourceSpan&) = default;
};

// The byte-order mark, and its length at the start of `text` (3 or 0).
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::size_t byte_order_mark_length(std::string_view text) {
  return text.starts_with(BYTE_ORDER_MARK) ? BYTE_ORDER_MARK.size() : 0;
}

// Lines and columns of byte offsets into one text. Building it reads the
// text once; each look-up then reads one line.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  // `offset` is clamped to the text's length.
  LineCol at(std::size_t offset) const;
  // The byte offset where the line holding `offset` begins.
  std::size_t line_start(std::size_t offset) const;

 private:
  std::string_view text_;
  std::size_t bom_ = 0;
  std::vector<std::size_t> starts_;
};

// The number of characters before byte `offset` of `input` (counted as
// columns are): the index of that place in the decoded text. An offset past
// the end counts the whole input.
std::size_t character_offset(std::string_view input, std::size_t offset);

// The byte offset of the place `characters` characters into `input` (its
// inverse: character_offset(input, byte_offset(input, n)) == n), or the
// input's length when it holds fewer.
std::size_t byte_offset(std::string_view input, std::size_t characters);

}  // namespace jrl
