// How wide text is in a terminal, so that report marks line up under wide
// characters and combining marks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jrl::cli {

// A rendered report with each underline re-indented by display width: the
// blanks before the marks become as many cells as the characters of the
// source line above take (tabs kept as tabs).
std::string align_underlines(std::string_view report);

}  // namespace jrl::cli
