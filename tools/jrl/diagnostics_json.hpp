// Diagnostics as JSON, for editors and CI: one object per diagnostic.
#pragma once

#include <string>
#include <string_view>

#include "jrl/diagnostics.hpp"

namespace jrl::cli {

// {"file", "severity", "code", "message", "context", "line", "column",
// "end_line", "end_column", "offset", "end_offset", "report", "suggestions",
// "notes"}, in this order; lines and columns from 1, ends exclusive, as `d`
// holds them. Unless `placed` (the diagnostic of a file that cannot be read,
// jrl::unreadable_file), the place keys and "report" are null.
std::string diagnostic_json(std::string_view file, const Diagnostic& d,
                            bool placed);

}  // namespace jrl::cli
