// The report of an allocation: each requirement's items, status, count and
// credits, the LIMITs' use, the attempts counted nowhere, and the objective.
#include <algorithm>

#include "audit/audit_report.hpp"

namespace jrl {
namespace {

class ReportReader {
 public:
  ReportReader(const AuditProblem& problem, const Allocation& allocation)
      : p_(problem), d_(*problem.programme), a_(allocation) {
    counts_.direct.assign(d_.nodes.size(), 0);
    counts_.subtree.assign(d_.nodes.size(), 0);
    counts_.caps.assign(d_.cap_count, 0);
    fills_.assign(d_.nodes.size(), {});
    for (std::size_t i = 0; i < p_.attempts.size(); ++i) {
      if (!a_.node_of[i]) continue;
      const std::uint32_t n = *a_.node_of[i];
      const auto& slots = p_.attempts[i].slots;
      const auto slot = std::ranges::find(slots, n, &AuditSlot::node);
      ++counts_.direct[n];
      for (std::optional<std::uint32_t> up = n; up; up = d_.nodes[*up].parent) ++counts_.subtree[*up];
      for (std::uint32_t cap : slot->caps) ++counts_.caps[d_.cap_base[n] + cap];
    }
  }

  const std::vector<NodeFill>& fills() const { return fills_; }

  RequirementReport requirement(std::uint32_t r) {
    const AuditRequirement& req = d_.requirements[r];
    const AuditNode& root = d_.nodes[req.root];
    RequirementReport out;
    out.index = req.index;
    out.line = req.line;
    out.description = req.description;
    out.priority = req.priority;
    out.lo = root.lo;
    out.hi = root.hi;
    if (p_.waived[r]) {
      out.status = RequirementStatus::waived;
      return out;
    }
    out.count = fill_requirement(p_, r, counts_, &fills_).value_or(0);
    out.missing = out.count >= out.lo ? 0 : out.lo - out.count;
    unsigned worst = 0;
    for (std::size_t i = 0; i < p_.attempts.size(); ++i) {
      if (!a_.node_of[i] || d_.nodes[*a_.node_of[i]].requirement != r) continue;
      worst = std::max(worst, p_.attempts[i].cost);
      out.credits += p_.attempts[i].credits;
    }
    out.status = out.missing > 0 ? RequirementStatus::incomplete
                 : worst == 0    ? RequirementStatus::complete
                 : worst == 1    ? RequirementStatus::in_progress
                                 : RequirementStatus::planned;
    out.items = items(req.root);
    return out;
  }

  LimitReport limit(std::uint32_t l) const {
    const AuditLimit& lim = d_.limits[l];
    LimitReport out{lim.index, lim.line, lim.description, lim.allowed, 0, {}};
    for (std::size_t i = 0; i < p_.attempts.size(); ++i) {
      const auto& limits = p_.attempts[i].limits;
      if (a_.node_of[i] && std::ranges::find(limits, l) != limits.end()) {
        out.courses.push_back(p_.attempts[i].attempt->course);
      }
    }
    out.used = static_cast<unsigned>(out.courses.size());
    return out;
  }

 private:
  // The direct items of node `n`: its attempts by course code, then its
  // placements, then its groups in entry order.
  std::vector<AuditItem> items(std::uint32_t n) const {
    std::vector<AuditItem> out;
    for (std::size_t i = 0; i < p_.attempts.size(); ++i) {
      if (a_.node_of[i] != n) continue;
      const AuditCandidate& c = p_.attempts[i];
      AuditItem item;
      item.course = c.attempt->course;
      item.term = c.attempt->term;
      item.status = c.attempt->status;
      const std::uint32_t own = d_.nodes[n].requirement;
      for (const AuditSlot& s : c.slots) {
        const std::uint32_t r = d_.nodes[s.node].requirement;
        const std::size_t index = d_.requirements[r].index;
        if (r != own && std::ranges::find(item.could_also_count, index) == item.could_also_count.end()) {
          item.could_also_count.push_back(index);
        }
      }
      std::ranges::sort(item.could_also_count);
      out.push_back(std::move(item));
    }
    std::vector<std::uint32_t> groups;
    for (std::uint32_t g : d_.nodes[n].groups) {
      if (counts_.subtree[g] > 0) groups.push_back(g);
    }
    for (std::uint32_t f : fills_[n].free) {
      const AuditFreeItem& free = p_.free_items[n][f];
      if (free.group) {
        groups.push_back(*free.group);
        continue;
      }
      AuditItem item;
      item.kind = AuditItem::Kind::placement;
      item.placement = std::string(*free.placement);
      out.push_back(std::move(item));
    }
    std::ranges::sort(groups);
    for (std::uint32_t g : groups) {
      AuditItem item;
      item.kind = AuditItem::Kind::group;
      item.path = d_.nodes[g].path;
      item.items = items(g);
      out.push_back(std::move(item));
    }
    return out;
  }

  const AuditProblem& p_;
  const AuditProgramme::Data& d_;
  const Allocation& a_;
  NodeCounts counts_;
  std::vector<NodeFill> fills_;
};

AuditObjective objective(const AuditProblem& problem, const std::vector<RequirementReport>& reqs) {
  AuditObjective out;
  for (unsigned priority : problem.priorities) out.priorities.push_back({priority, 0, 0});
  for (std::size_t r = 0; r < reqs.size(); ++r) {
    const RequirementReport& req = reqs[r];
    auto& tier = out.priorities[problem.tier[r]];
    const bool waived = req.status == RequirementStatus::waived;
    ++tier[2];
    if (waived || req.missing == 0) ++tier[1];
    out.progress += waived ? req.lo : std::min(req.count, req.lo);
    out.fill += req.count;
  }
  return out;
}

}  // namespace

AuditReport read_report(const AuditProblem& problem, const StudentRecord& record,
                        const Allocation& allocation) {
  const AuditProgramme::Data& d = *problem.programme;
  ReportReader reader(problem, allocation);
  AuditReport out;
  out.student = record.student;
  out.optimal = allocation.optimal;
  for (std::uint32_t r = 0; r < d.requirements.size(); ++r) out.requirements.push_back(reader.requirement(r));
  for (std::uint32_t l = 0; l < d.limits.size(); ++l) out.limits.push_back(reader.limit(l));
  out.objective = objective(problem, out.requirements);
  for (std::size_t i = 0; i < problem.attempts.size(); ++i) {
    const AuditCandidate& c = problem.attempts[i];
    if (allocation.node_of[i]) {
      out.objective.settled += c.cost;
    } else {
      out.unused.push_back({c.attempt->course, c.attempt->term, c.attempt->status});
    }
  }
  out.satisfied = std::ranges::all_of(out.requirements, [](const RequirementReport& r) {
    return r.status != RequirementStatus::incomplete;
  });
  out.warnings = problem.warnings;
  explain_missing(problem, record, allocation, reader.fills(), out);
  out.exceptions = explain_exceptions(problem, record, allocation);
  return out;
}

std::string_view to_string(RequirementStatus status) {
  switch (status) {
    case RequirementStatus::waived: return "waived";
    case RequirementStatus::complete: return "complete";
    case RequirementStatus::in_progress: return "in-progress";
    case RequirementStatus::planned: return "planned";
    case RequirementStatus::incomplete: return "incomplete";
  }
  return "incomplete";
}

}  // namespace jrl
