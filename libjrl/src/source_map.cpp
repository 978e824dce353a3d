// Lines and columns of the spans of a source map, in one forward walk.
#include "jrl/source_map.hpp"

#include <cstddef>
#include <vector>

#include "line_cursor.hpp"
#include "text/utf8.hpp"

namespace jrl {

std::vector<SourceSpan> locate(std::string_view input,
                               const std::vector<ByteSpan>& spans) {
  std::vector<SourceSpan> located(spans.size());
  LineCursor cursor;
  auto at = [&](std::size_t offset) {
    // Offsets past the input are clamped: they never come from a parse.
    cursor.advance_to(input, offset < input.size() ? offset : input.size());
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
