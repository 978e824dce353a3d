// Fixes for the common mistakes, found by trying small edits; each is
// checked by a trial parse before it is offered.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"

namespace jrl::diagnostics {

// Edits that mend `statement` (a statement that fails at byte `error_pos`
// with a syntax error): single insertions of punctuation at token
// boundaries, and replacements of misspelt keywords and of departments not
// written in capitals. Offsets are into `statement`; at most `limit`
// suggestions, the edit nearest the error first. Each one mends.
std::vector<Suggestion> syntax_fixes(std::string_view statement,
                                     std::size_t error_pos,
                                     std::size_t limit = 3);

// The fix that the fault `frame` names itself, as an edit of the span it
// reports on, when it mends: an unknown function's suggested name, and for
// an unknown department the closest code a file can hold (which is the
// report's own suggestion unless that is one of the registry's shorter
// codes). `statement` holds the span and starts at byte `statement_start`
// of the text the report's offsets count in; the edit's offsets count there
// too.
std::optional<Suggestion> named_fix(const ErrorFrame& frame,
                                    std::string_view statement,
                                    std::size_t statement_start);

// Whether applying `edit` to `statement` mends it: a trial parse of the
// edited statement succeeds. A statement with a second mistake, which one
// edit cannot mend, gets no fix, so a fix never brings a fault to light.
bool mends(std::string_view statement, const TextEdit& edit);

}  // namespace jrl::diagnostics
