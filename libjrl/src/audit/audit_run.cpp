// One audit: the record set against the programme, the best allocation
// searched for, and the report read off it.
#include "audit/allocation.hpp"
#include "audit/audit_report.hpp"

namespace jrl {

std::expected<AuditReport, RecordError> audit(const AuditProgramme& programme,
                                              const StudentRecord& record,
                                              const AuditOptions& options) {
  const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
  auto problem = build_problem(programme.data(), record, options);
  if (!problem) return std::unexpected(std::move(problem.error()));
  const Allocation allocation = best_allocation(*problem, deadline);
  AuditReport report = read_report(*problem, record, allocation);
  report.programme = programme.name();
  report.catalogue = programme.catalogue().name();
  return report;
}

}  // namespace jrl
