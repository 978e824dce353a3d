// A record set against a prepared programme: its exceptions resolved, its
// attempts placed, and the free items of each query node.
#include <algorithm>

#include "audit/audit_problem.hpp"

namespace jrl {
namespace {

// The requirement `ref` names, or the record's error at `field`.
std::expected<std::uint32_t, RecordError> resolve(const AuditProgramme::Data& programme,
                                                  const StudentRecord& record,
                                                  const RequirementRef& ref, std::string field) {
  auto found = programme.find_requirement(ref);
  if (found) return *found;
  return std::unexpected(RecordError{{}, {}, record.student, std::move(field), std::move(found.error())});
}

// The requirements each course is substituted into or blocked from.
using ByCourse = std::vector<std::pair<std::string_view, std::uint32_t>>;

std::expected<ByCourse, RecordError> resolve_all(const AuditProgramme::Data& programme,
                                                 const StudentRecord& record,
                                                 const std::vector<Substitution>& list,
                                                 std::string_view kind) {
  ByCourse out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    auto r = resolve(programme, record, list[i].requirement,
                     "exceptions." + std::string(kind) + "[" + std::to_string(i) + "].requirement");
    if (!r) return std::unexpected(std::move(r.error()));
    out.emplace_back(list[i].course, *r);
  }
  return out;
}

std::vector<std::uint32_t> of_course(const ByCourse& list, std::string_view course) {
  std::vector<std::uint32_t> out;
  for (const auto& [c, r] : list) {
    if (c == course) out.push_back(r);
  }
  return out;
}

void free_items(const AuditProgramme::Data& programme, const StudentRecord& record,
                AuditProblem& problem) {
  const std::size_t n = programme.nodes.size();
  problem.free_items.assign(n, {});
  problem.complete_by_placements.assign(n, false);
  // Children come after their parents, so the walk backwards meets them first.
  for (std::size_t i = n; i-- > 0;) {
    const AuditNode& node = programme.nodes[i];
    auto& items = problem.free_items[i];
    for (const auto& [name, caps] : node.placements) {
      if (std::ranges::find(record.placements, name) != record.placements.end()) {
        items.push_back({name, {}, caps});
      }
    }
    for (std::uint32_t g : node.groups) {
      if (problem.complete_by_placements[g]) items.push_back({{}, g, programme.nodes[g].caps_of_group});
    }
    std::vector<int> cap_room;
    for (const AuditCap& cap : node.caps) cap_room.push_back(static_cast<int>(cap.allowed));
    const auto taken = choose_free_items(items, node.hi, std::move(cap_room)).size();
    problem.complete_by_placements[i] = taken >= node.lo;
  }
}

}  // namespace

std::expected<AuditProblem, RecordError> build_problem(const AuditProgramme::Data& programme,
                                                       const StudentRecord& record,
                                                       const AuditOptions& options) {
  AuditProblem problem;
  problem.programme = &programme;
  problem.waived.assign(programme.requirements.size(), false);
  const Exceptions& ex = record.exceptions;
  for (std::size_t i = 0; i < ex.waive.size(); ++i) {
    auto r = resolve(programme, record, ex.waive[i], "exceptions.waive[" + std::to_string(i) + "]");
    if (!r) return std::unexpected(std::move(r.error()));
    problem.waived[*r] = true;
  }
  auto substitutes = resolve_all(programme, record, ex.substitute, "substitute");
  if (!substitutes) return std::unexpected(std::move(substitutes.error()));
  auto blocks = resolve_all(programme, record, ex.block, "block");
  if (!blocks) return std::unexpected(std::move(blocks.error()));

  for (const AuditRequirement& r : programme.requirements) {
    if (std::ranges::find(problem.priorities, r.priority) == problem.priorities.end()) {
      problem.priorities.push_back(r.priority);
    }
  }
  std::ranges::sort(problem.priorities, std::greater<>());
  for (const AuditRequirement& r : programme.requirements) {
    problem.tier.push_back(
        static_cast<std::uint32_t>(std::ranges::find(problem.priorities, r.priority) - problem.priorities.begin()));
  }

  free_items(programme, record, problem);
  problem.attempts = eligible_attempts(programme, record, options, problem.warnings);
  for (AuditCandidate& c : problem.attempts) {
    c.blocked = of_course(*blocks, c.attempt->course);
    place_attempt(programme, problem, of_course(*substitutes, c.attempt->course), c);
  }
  return problem;
}

}  // namespace jrl
