// Which attempts of a record take part in an audit: their status included by
// the options, no failing grade on a completed attempt, and one attempt per
// course, the best by status.
#include <algorithm>
#include <cctype>
#include <map>

#include "audit/audit_problem.hpp"
#include "catalogue/course_code.hpp"

namespace jrl {
namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

bool included(AttemptStatus status, const AuditOptions& options) {
  switch (status) {
    case AttemptStatus::completed: return options.completed;
    case AttemptStatus::in_progress: return options.in_progress;
    case AttemptStatus::planned: return options.planned;
  }
  return false;
}

}  // namespace

std::vector<AuditCandidate> eligible_attempts(const AuditProgramme::Data& programme,
                                              const StudentRecord& record,
                                              const AuditOptions& options,
                                              std::vector<std::string>& warnings) {
  // The kept attempt of each course: the best status, the last listed among equals.
  std::map<std::string_view, const Attempt*> kept;
  for (const Attempt& a : record.attempts) {
    if (!included(a.status, options)) continue;
    if (a.status == AttemptStatus::completed &&
        std::ranges::any_of(options.failing_grades,
                            [&](const std::string& g) { return same_ignoring_case(g, a.grade); })) {
      continue;
    }
    auto [at, fresh] = kept.emplace(a.course, &a);
    if (!fresh && a.status <= at->second->status) at->second = &a;
  }
  std::vector<AuditCandidate> out;
  out.reserve(kept.size());
  for (const auto& [code, attempt] : kept) {
    AuditCandidate c;
    c.attempt = attempt;
    c.cost = static_cast<unsigned>(attempt->status);
    const auto course = read_course_code(code);
    const CatalogueCourse* found = course ? programme.catalogue.find(*course) : nullptr;
    if (found != nullptr) {
      c.course = static_cast<std::uint32_t>(found - programme.catalogue.courses().data());
      c.credits = found->credits;
    } else {
      warnings.push_back(attempt->course +
                         (attempt->term.empty() ? "" : " (" + attempt->term + ")") +
                         " is not in the catalogue");
    }
    if (attempt->credits) c.credits = *attempt->credits;
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace jrl
