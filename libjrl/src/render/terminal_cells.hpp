// The characters of a report's text as a terminal shows them: each one's
// bytes, what is written for it and how many columns that takes.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

namespace jrl::render {

// One character of a line as shown. Both texts are views (into the line, or
// into the table of escapes), so reading a long line into cells allocates
// nothing per character.
struct Cell {
  std::string_view source;  // the character's bytes; empty past the line end
  std::string_view shown;   // what is written for it
  std::size_t width = 1;    // columns of `shown`, as the window counts them
  bool tab = false;
};

// The cell of the character at `pos` of `text` and its length in bytes.
// With `escape`, a control character is shown by its visible stand-in;
// without, every character is shown as it is.
std::pair<Cell, std::size_t> cell_at(std::string_view text, std::size_t pos,
                                     bool escape);

}  // namespace jrl::render
