// What a mistake is, in the words of the language: the message a
// diagnostic leads with, and the place it points at.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "diagnostics/fixes.hpp"
#include "jrl/error.hpp"

namespace jrl::diagnostics {

// What a diagnostic leads with: its message, and its place as offsets into
// the statement it was found in (at `start` alone without an `end`).
struct Lead {
  std::string message;
  std::size_t start = 0;
  std::optional<std::size_t> end;
};

// What `repair` mends in `statement`, said as the mistake, at its place.
Lead repaired_mistake(std::string_view statement, const Repair& repair);

// A syntax error that no single edit mends, at byte `error_pos` of
// `statement`, where the grammar wanted what `parser_message` lists: a
// mistake recognised by its form (a missing description, `OR` between
// selectors, a course number of other than four digits, a priority that is
// not a number), or else what was found and what may stand there.
Lead unrepaired_mistake(std::string_view statement, std::size_t error_pos,
                        std::string_view parser_message);

// The words for a fault whose message is the reader's of numbers ("number
// too large to fit in target type"), if `detail` is one.
std::optional<std::string> number_words(const FaultDetail& detail);

}  // namespace jrl::diagnostics
