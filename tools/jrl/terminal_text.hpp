// Text from files and file names, made safe and short for a terminal. Only
// jrl's own text output goes through here; JSON output escapes by itself and
// the library's report text is never changed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jrl::cli {

// The widest source line a report shows, in columns; a longer one is cut
// to a window around the caret, marked "…" on each side that was cut.
inline constexpr std::size_t REPORT_LINE_WIDTH = 100;
// Columns kept before the caret when a line is cut.
inline constexpr std::size_t REPORT_CONTEXT_BEFORE = 40;

// `text` with each control character replaced by a visible form, one for
// each character: C0 controls by their control pictures (ESC shows as ␛,
// BEL as ␇, NUL as ␀), DEL as ␡, C1 controls as \u{9b}. Tabs and line
// feeds stay as they are.
std::string escape_controls(std::string_view text);

// `text` escaped as above, line feeds too: for one line of output, which a
// line feed in a file name must not split into two.
std::string escape_line(std::string_view text);

// A rendered error chain made safe for a terminal: every line escaped as
// above, and each source line shown with its underline cut to a window of
// REPORT_LINE_WIDTH columns around the caret, the underline widened where an
// escape takes more than one column, so the caret still points at its
// character.
std::string terminal_report(std::string_view report);

}  // namespace jrl::cli
