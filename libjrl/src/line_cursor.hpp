// Line and column of byte offsets, walked forward through the input.
#pragma once

#include <cstddef>
#include <string_view>

#include "jrl/error.hpp"
#include "text/utf8.hpp"

namespace jrl {

// Line and column at `pos`, with the offset where that line begins. Moves
// forward only, so offsets taken in order cost one walk together.
struct LineCursor {
  std::size_t pos = 0;
  std::size_t line_start = 0;
  LineCol line_col;

  // Counts the characters in [pos, target): a line feed, or a carriage return
  // directly followed by one (inside the range), starts a new line; any other
  // character is one column, and so is each maximal subpart of an ill-formed
  // UTF-8 sequence (shown as one U+FFFD).
  void advance_to(std::string_view input, std::size_t target) {
    for (std::size_t i = pos; i < target;) {
      const unsigned char c = static_cast<unsigned char>(input[i]);
      if (c >= 0x80) {
        ++line_col.column;
        i += utf8::decode(input, i).length;
        continue;
      }
      if (c == '\n') {
        ++line_col.line;
        line_col.column = 1;
        line_start = i + 1;
      } else if (c == '\r' && i + 1 < target && input[i + 1] == '\n') {
        // The line feed that follows ends the line; the pair counts once.
      } else {
        ++line_col.column;
      }
      ++i;
    }
    pos = target;
  }
};

}  // namespace jrl
