// Fixes for the common mistakes, found by trying small edits.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"

namespace jrl::diagnostics {

// Edits that make the grammar accept `statement` (a statement that fails at
// byte `error_pos`): single insertions of punctuation at token boundaries,
// and replacements of misspelt keywords and of departments not written in
// capitals. Offsets are into `statement`; at most `limit` suggestions, the
// edit nearest the error first.
std::vector<Suggestion> syntax_fixes(std::string_view statement,
                                     std::size_t error_pos,
                                     std::size_t limit = 3);

// The "(Did you mean: X)" of a report error as an edit replacing the span
// it reports on by X.
std::optional<Suggestion> did_you_mean_fix(const ReportError& report,
                                           std::string_view text);

}  // namespace jrl::diagnostics
