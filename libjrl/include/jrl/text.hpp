// Text for a reader at a terminal: control characters made visible, and
// the colours of reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace jrl {

// `text` with each control character replaced by a visible form, one for
// each character: C0 controls by their control pictures (ESC shows as ␛,
// BEL as ␇, NUL as ␀), DEL as ␡, C1 controls as \u{9b}. Tabs and line
// feeds stay as they are; ill-formed UTF-8 passes unchanged.
std::string escape_controls(std::string_view text);

// The colours reports are drawn in.
enum class Tone : std::uint8_t {
  error,    // bold red: error labels and the marks under the source
  warning,  // bold yellow
  help,     // bold cyan
  strong,   // bold: a report's message
};

// `text` wrapped in the ANSI escapes of `tone` and a reset.
std::string paint(std::string_view text, Tone tone);

}  // namespace jrl
