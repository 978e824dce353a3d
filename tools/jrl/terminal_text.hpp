// How jrl shows the library's reports on a terminal.
#pragma once

#include <cstddef>
#include <string_view>

#include "jrl/error.hpp"
#include "jrl/text.hpp"

namespace jrl::cli {

// The widest source line a report shows, in columns; a longer one is cut
// to a window around the caret, marked "…" on each side that was cut.
inline constexpr std::size_t REPORT_LINE_WIDTH = 100;
// Columns kept before the caret when a line is cut.
inline constexpr std::size_t REPORT_CONTEXT_BEFORE = 40;

// The style of reports jrl writes: `path` in the headers, controls escaped,
// source lines cut to REPORT_LINE_WIDTH columns; marks lined up by display
// width when `align` (standard error is a terminal), and coloured when
// `colour`.
ReportStyle terminal_style(std::string_view path, bool colour, bool align);

}  // namespace jrl::cli
