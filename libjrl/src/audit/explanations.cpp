// The explanations a report carries beside the allocation: what each unmet
// requirement still needs, the courses that would count for it, and what
// each exception of the record changed.
#include <algorithm>
#include <set>

#include "audit/audit_report.hpp"
#include "catalogue/course_code.hpp"

namespace jrl {
namespace {

std::string describe(const AuditRequirement& r) {
  std::string out = "requirement " + std::to_string(r.index);
  if (!r.description.empty()) out += " (\"" + r.description + "\")";
  return out;
}

// The courses of the record that need no suggesting: every course with an
// attempt, but those only failed.
std::set<std::string, std::less<>> taken_courses(const AuditProblem& problem, const StudentRecord& record) {
  std::set<std::string, std::less<>> out;
  for (const Attempt& a : record.attempts) {
    if (a.status != AttemptStatus::completed) out.insert(a.course);
  }
  for (const AuditCandidate& c : problem.attempts) out.insert(c.attempt->course);
  return out;
}

// How many direct items of the root of `r` each of its caps holds.
std::vector<int> caps_used(const AuditProblem& problem, const Allocation& allocation,
                           const std::vector<NodeFill>& fills, std::uint32_t r) {
  const AuditProgramme::Data& d = *problem.programme;
  const std::uint32_t root = d.requirements[r].root;
  std::vector<int> used(d.nodes[root].caps.size(), 0);
  std::vector<bool> group_counted(d.nodes.size(), false);
  for (std::size_t i = 0; i < problem.attempts.size(); ++i) {
    if (!allocation.node_of[i] || d.nodes[*allocation.node_of[i]].requirement != r) continue;
    std::uint32_t n = *allocation.node_of[i];
    if (n == root) {
      for (const AuditSlot& s : problem.attempts[i].slots) {
        if (s.node == root) {
          for (std::uint32_t c : s.caps) ++used[c];
        }
      }
      continue;
    }
    while (*d.nodes[n].parent != root) n = *d.nodes[n].parent;
    if (!group_counted[n]) {
      group_counted[n] = true;
      for (std::uint32_t c : d.nodes[n].caps_of_group) ++used[c];
    }
  }
  for (std::uint32_t f : fills[root].free) {
    for (std::uint32_t c : problem.free_items[root][f].caps) ++used[c];
  }
  return used;
}

// Up to three catalogue courses, by code, that would be direct items of
// the root of `r`: selected by one of its calls, not taken, not blocked there,
// in no cap that is full and no LIMIT that is full.
std::vector<std::string> would_count(const AuditProblem& problem, const Allocation& allocation,
                                     const std::vector<NodeFill>& fills, std::uint32_t r,
                                     const std::set<std::string, std::less<>>& taken,
                                     const std::vector<unsigned>& limit_used,
                                     const StudentRecord& record) {
  const AuditProgramme::Data& d = *problem.programme;
  const AuditNode& root = d.nodes[d.requirements[r].root];
  const std::vector<int> used = caps_used(problem, allocation, fills, r);
  const auto courses = d.catalogue.courses();
  // The root's own calls, and those of its groups that did not complete.
  std::vector<std::uint32_t> leaves = root.leaves;
  const AuditRequirement& req = d.requirements[r];
  for (std::uint32_t n = req.root + 1; n < req.end; ++n) {
    if (!fills[n].complete) leaves.insert(leaves.end(), d.nodes[n].leaves.begin(), d.nodes[n].leaves.end());
  }
  const auto fits = [&](const CatalogueCourse& c, const AuditLeaf& leaf) {
    if (taken.contains(c.code)) return false;
    for (std::uint32_t other : d.leaves_of_course[static_cast<std::size_t>(&c - courses.data())]) {
      const AuditLeaf& o = d.leaves[other];
      if (leaf.node == req.root && o.node == req.root) {
        for (std::uint32_t cap : o.caps) {
          if (used[cap] >= static_cast<int>(root.caps[cap].allowed)) return false;
        }
      }
      if (o.limit && limit_used[*o.limit] >= d.limits[*o.limit].allowed) return false;
    }
    return std::ranges::none_of(record.exceptions.block, [&](const Substitution& b) {
      return b.course == c.code && d.find_requirement(b.requirement) == r;
    });
  };
  // The first three codes in order: a course is looked at only when it
  // would be among them.
  std::vector<std::string_view> best;
  for (std::uint32_t id : leaves) {
    const AuditLeaf& leaf = d.leaves[id];
    if (leaf.placement) continue;
    for (const CatalogueCourse* c : d.catalogue.courses_for(*leaf.call)) {
      const std::string_view code = c->code;
      if (best.size() == 3 && code >= best.back()) continue;
      const auto at = std::ranges::lower_bound(best, code);
      if ((at != best.end() && *at == code) || !fits(*c, leaf)) continue;
      best.insert(at, code);
      if (best.size() > 3) best.pop_back();
    }
  }
  return {best.begin(), best.end()};
}

}  // namespace

void explain_missing(const AuditProblem& problem, const StudentRecord& record,
                     const Allocation& allocation, const std::vector<NodeFill>& fills,
                     AuditReport& report) {
  const AuditProgramme::Data& d = *problem.programme;
  const auto taken = taken_courses(problem, record);
  std::vector<unsigned> limit_used;
  for (const LimitReport& l : report.limits) limit_used.push_back(l.used);
  for (std::uint32_t r = 0; r < d.requirements.size(); ++r) {
    RequirementReport& req = report.requirements[r];
    if (req.status != RequirementStatus::incomplete) continue;
    req.explanation = std::to_string(req.missing) + " more from " +
                      d.nodes[d.requirements[r].root].entries_text;
    req.would_count = would_count(problem, allocation, fills, r, taken, limit_used, record);
  }
}

std::vector<ExceptionReport> explain_exceptions(const AuditProblem& problem,
                                                const StudentRecord& record,
                                                const Allocation& allocation) {
  const AuditProgramme::Data& d = *problem.programme;
  std::vector<ExceptionReport> out;
  for (const RequirementRef& ref : record.exceptions.waive) {
    const AuditRequirement& r = d.requirements[*d.find_requirement(ref)];
    out.push_back({"waive", r.index, {}, describe(r) + " is satisfied without any course"});
  }
  // Where the attempt of `course` counts, in words, or why it counts nowhere.
  const auto whereabouts = [&](const std::string& course) -> std::string {
    const auto it = std::ranges::find_if(problem.attempts, [&](const AuditCandidate& c) {
      return c.attempt->course == course;
    });
    if (it == problem.attempts.end()) {
      return "the record has no attempt at " + course + " that takes part";
    }
    const auto& node = allocation.node_of[static_cast<std::size_t>(it - problem.attempts.begin())];
    if (!node) return course + " counts nowhere";
    return course + " counts for " + describe(d.requirements[d.nodes[*node].requirement]);
  };
  for (const Substitution& s : record.exceptions.substitute) {
    const AuditRequirement& r = d.requirements[*d.find_requirement(s.requirement)];
    out.push_back({"substitute", r.index, s.course,
                   s.course + " may count for " + describe(r) + "; " + whereabouts(s.course)});
  }
  for (const Substitution& b : record.exceptions.block) {
    const AuditRequirement& r = d.requirements[*d.find_requirement(b.requirement)];
    out.push_back({"block", r.index, b.course,
                   b.course + " may not count for " + describe(r) + "; " + whereabouts(b.course)});
  }
  return out;
}

}  // namespace jrl
