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
#include "jrl/position.hpp"

namespace jrl {

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
// SourceMap do. One pass over the input up to the last end. Counted as
// `LineIndex` counts: a byte-order mark at the start is no column.
std::vector<SourceSpan> locate(std::string_view input,
                               const std::vector<ByteSpan>& spans);

}  // namespace jrl
