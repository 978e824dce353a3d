// Diagnostics as JSON, for editors and CI: one object per diagnostic.
#pragma once

#include <string>
#include <string_view>

#include "jrl/diagnostics.hpp"
#include "jrl/text.hpp"

namespace jrl::cli {

// {"file", "severity", "code", "message", "context", "line", "column",
// "end_line", "end_column", "offset", "end_offset", "report", "suggestions",
// "notes"}, in this order; lines and columns from 1, ends exclusive. `lines`
// indexes the file's text, for the places of the edits.
std::string diagnostic_json(std::string_view file, const Diagnostic& d,
                            const LineIndex& lines);

// The same keys for `d`, the diagnostic of a file that cannot be read
// (jrl::unreadable_file): no place (the place keys are null), no report.
std::string unreadable_json(std::string_view file, const Diagnostic& d);

}  // namespace jrl::cli
