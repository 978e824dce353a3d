// What a new version of a programme changes for students, as a person
// reads it at a terminal.
#pragma once

#include <cstddef>
#include <string>

#include "jrl/audit_change.hpp"

namespace jrl::cli {

// A student's change: the verdict before and after, then a line for each
// requirement that changed ("~"), was added ("+") or removed ("-"), its
// standing before and after, and what is now missing. Marks coloured when
// `colour`.
std::string student_change_text(const StudentChange& change, bool colour);

// The closing line: "5 students audited, 2 changed, 1 record failed".
std::string reach_summary_text(std::size_t audited, std::size_t changed, std::size_t failed);

}  // namespace jrl::cli
