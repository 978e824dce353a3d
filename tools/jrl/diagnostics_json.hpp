// Machine-readable failures for editors and CI: one JSON object per line.
#pragma once

#include <string>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl::cli {

// `text` as a JSON string literal. Bytes that are not well-formed UTF-8
// (possible in file names) become U+FFFD.
std::string json_string(std::string_view text);

// {"file", "line", "column", "end_line", "end_column", "message",
// "context"}: the place and message of the innermost error, and the
// messages wrapped around it, outermost first. The place is left out when
// the chain carries none; the end only for a span (its column is one past
// the span's last character).
std::string diagnostic_json(std::string_view file, const Error& error);

}  // namespace jrl::cli
