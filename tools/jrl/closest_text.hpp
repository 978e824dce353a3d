// A student's standing across programmes as a person reads it at a
// terminal.
#pragma once

#include <span>
#include <string>

#include "jrl/closest.hpp"

namespace jrl::cli {

// The ranked table (rank, requirements met, items missing, status,
// programme), then what is missing from the closest programmes the student
// has not yet met. Coloured when `colour`.
std::string closest_text(std::span<const ProgrammeStanding> standings, bool colour);

}  // namespace jrl::cli
