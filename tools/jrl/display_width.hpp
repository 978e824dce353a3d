// How wide text is in a terminal, so that report marks line up under wide
// characters and combining marks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jrl::cli {

// Cells that character `c` takes: 2 for wide and fullwidth characters, 0 for
// combining marks and format characters, else 1.
int cell_width(char32_t c);

// A rendered report with each underline re-indented by display width: the
// blanks before the marks become as many cells as the characters of the
// source line above take (tabs kept as tabs).
std::string align_underlines(std::string_view report);

}  // namespace jrl::cli
