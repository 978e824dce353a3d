// Terminal colour for jrl's own labels; reports colour themselves (see
// terminal_style).
#pragma once

#include <string>
#include <string_view>

#include "jrl/text.hpp"
#include "options.hpp"

namespace jrl::cli {

// Whether output to the stream `fd` is coloured: always, never, or on
// automatic only when it is a terminal, TERM is not "dumb" and NO_COLOR is
// unset or empty.
bool colour_enabled(ColourMode mode, int fd);

// `text` painted in `tone`, or as it is without colour.
std::string paint(std::string_view text, Tone tone, bool colour);

// "error" in bold red, for the first line of a failure.
std::string error_label(bool colour);

}  // namespace jrl::cli
