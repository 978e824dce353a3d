// A degree audit as a person reads it at a terminal.
#pragma once

#include <string>

#include "jrl/audit.hpp"

namespace jrl::cli {

// The report of one student: a heading with the verdict, each requirement
// with its status, the courses counted and where, what is missing and what
// would count, then the limits, the courses counted nowhere, the exceptions
// and the warnings. Coloured when `colour`.
std::string audit_text(const AuditReport& report, bool colour);

}  // namespace jrl::cli
