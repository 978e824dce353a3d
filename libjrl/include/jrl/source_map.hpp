// Where in the input each requirement and each selector of a parsed file was
// written. Kept beside the model, which carries no positions, so that the
// model's equality, JSON form and debug text do not depend on layout.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>
#include <vector>

#include "jrl/error.hpp"
#include "jrl/parse.hpp"

namespace jrl {

// Bytes [start, end) of the input.
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

struct SourceMap {
  // One per requirement, in file order: the statement with its description
  // and priority, up to (not including) the closing ";".
  std::vector<ByteSpan> requirements;
  // One per selector of the file, in pre-order: the selectors of a query in
  // order, each nested query's selectors right after its own entry. A
  // selector is a function call, or a nested statement.
  std::vector<ByteSpan> selectors;

  friend bool operator==(const SourceMap&, const SourceMap&) = default;
};

// Parses like `parse(input)` and, on success, fills `map` (cleared first).
std::expected<ParseResult, Error> parse(std::string_view input, SourceMap& map);

// Lines and columns of `spans`, which must be in pre-order of a nesting:
// each span lies inside an earlier one or after it, as both lists of a
// SourceMap do. One pass over the input up to the last end.
std::vector<SourceSpan> locate(std::string_view input,
                               const std::vector<ByteSpan>& spans);

// The number of characters before byte `offset` of `input` (one per scalar
// value, one per maximal subpart of an ill-formed sequence, as columns
// count them): the index of that place in the decoded text. An offset past
// the end counts the whole input.
std::size_t character_offset(std::string_view input, std::size_t offset);

}  // namespace jrl
