// An audit report read back from its JSON form, so that a report kept as
// JSON (a batch's output, a Python jrl.Audit) can be rendered again.
//
//   auto report = jrl::read_audit_report(line);
//   if (report) std::cout << jrl::audit_html(*report);
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "jrl/audit.hpp"

namespace jrl {

// The report `to_json` wrote; fails naming the field when the text is not
// such a report. to_json(*read_audit_report(to_json(r))) == to_json(r).
std::expected<AuditReport, std::string> read_audit_report(std::string_view json);

}  // namespace jrl
