// Reading the report off an allocation, and the explanations beside it.
#pragma once

#include "audit/allocation.hpp"

namespace jrl {

// Everything but the programme's and the catalogue's names.
AuditReport read_report(const AuditProblem& problem, const StudentRecord& record,
                        const Allocation& allocation);

// For each requirement not met: what is missing in words, and up to three
// catalogue courses the student has not taken that would count.
void explain_missing(const AuditProblem& problem, const StudentRecord& record,
                     const Allocation& allocation, const std::vector<NodeFill>& fills,
                     AuditReport& report);

// What each exception of the record changed.
std::vector<ExceptionReport> explain_exceptions(const AuditProblem& problem,
                                                const StudentRecord& record,
                                                const Allocation& allocation);

}  // namespace jrl
