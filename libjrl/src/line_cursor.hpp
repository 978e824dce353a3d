// Line and column of byte offsets, walked forward through the input.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "jrl/error.hpp"
#include "jrl/position.hpp"
#include "text/utf8.hpp"

namespace jrl {

// Line and column at `pos`, with the offset where that line begins. Moves
// forward only, so offsets taken in order cost one walk together.
struct LineCursor {
  std::size_t pos = 0;
  std::size_t line_start = 0;
  LineCol line_col;

  // Counts the characters in [pos, target) as LineIndex does: a line feed
  // starts a new line, and every other character is one column.
  void advance_to(std::string_view input, std::size_t target) {
    std::size_t from = pos;
    while (from < target) {
      const void* lf = std::memchr(input.data() + from, '\n', target - from);
      if (lf == nullptr) break;
      from = static_cast<std::size_t>(static_cast<const char*>(lf) -
                                      input.data()) +
             1;
      ++line_col.line;
      line_col.column = 1;
      line_start = from;
    }
    if (from < target) {
      line_col.column += utf8::count_characters(input.substr(from, target - from));
    }
    pos = target;
  }
};

}  // namespace jrl
