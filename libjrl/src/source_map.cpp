// Lines and columns of the spans of a source map, in one forward walk.
#include "jrl/source_map.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "line_cursor.hpp"

namespace jrl {

std::vector<SourceSpan> locate(std::string_view input,
                               const std::vector<ByteSpan>& spans) {
  std::vector<SourceSpan> located(spans.size());
  // A byte-order mark is no column (see jrl/position.hpp): the walk starts
  // after it, and an offset inside it is line 1 column 1.
  const std::size_t bom = byte_order_mark_length(input);
  LineCursor cursor;
  cursor.pos = bom;
  auto at = [&](std::size_t offset) {
    // Offsets past the input are clamped: they never come from a parse.
    cursor.advance_to(input, std::clamp(offset, bom, input.size()));
    return cursor.line_col;
  };
  // Starts come in order; an end is due once the next start lies at or past
  // it. The spans still open nest, so their ends leave the stack in order
  // and the cursor only ever moves forward.
  std::vector<std::size_t> open;
  auto close_until = [&](std::size_t offset) {
    while (!open.empty() && spans[open.back()].end <= offset) {
      located[open.back()].end = at(spans[open.back()].end);
      open.pop_back();
    }
  };
  for (std::size_t i = 0; i < spans.size(); ++i) {
    close_until(spans[i].start);
    located[i].start = at(spans[i].start);
    open.push_back(i);
  }
  close_until(static_cast<std::size_t>(-1));
  return located;
}

}  // namespace jrl
