// Terminal colour for failure reports.
#pragma once

#include <string>
#include <string_view>

#include "options.hpp"

namespace jrl::cli {

// Whether output to the stream `fd` is coloured: always, never, or on
// automatic only when it is a terminal, TERM is not "dumb" and NO_COLOR is
// unset or empty.
bool colour_enabled(ColourMode mode, int fd);

enum class Paint { error, warning, help };

// `text` in bold red (error), bold yellow (warning) or bold cyan (help),
// or as it is without colour.
std::string paint(std::string_view text, Paint paint, bool colour);

// "error" in bold red, for the first line of a failure.
std::string error_label(bool colour);

// A rendered error chain with the underline marks in bold red and each
// report's message in bold. Other lines are left as they are.
std::string highlight_report(std::string_view text);

}  // namespace jrl::cli
