// Text helpers for tools built on the library: UTF-8 checking, JSON
// strings, and text for a reader at a terminal (control characters made
// visible, the colours of reports).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jrl {

// The offset of the first byte of `text` that does not begin a well-formed
// UTF-8 sequence (overlong forms, surrogates and sequences cut short are
// ill-formed), or none when all of it is well-formed.
std::optional<std::size_t> first_invalid_utf8(std::string_view text);

// `text` as a JSON string literal, escaped as the library's JSON output
// escapes its strings. Bytes that are not well-formed UTF-8 (possible in
// file names) become U+FFFD.
std::string json_string(std::string_view text);

// `text` with each control character replaced by a visible form, one for
// each character: C0 controls by their control pictures (ESC shows as ␛,
// BEL as ␇, NUL as ␀), DEL as ␡, C1 controls as \u{9b}. Tabs and line
// feeds stay as they are; ill-formed UTF-8 passes unchanged.
std::string escape_controls(std::string_view text);

// `text` escaped as above, line feeds too: for one line of output, which a
// line feed in a file name must not split into two.
std::string escape_line(std::string_view text);

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
