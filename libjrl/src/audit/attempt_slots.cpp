// Where an attempt may count: the calls of the file it matches (through the
// catalogue's matching, or on its own code and tags when the catalogue
// cannot say), and from them the query nodes it may be a direct item of,
// the caps it counts against there, and the LIMITs it counts against.
#include <algorithm>

#include "audit/audit_problem.hpp"
#include "catalogue/course_code.hpp"

namespace jrl {
namespace {

bool in(const std::vector<std::string>& names, std::string_view name) {
  return std::ranges::find(names, name) != names.end();
}

// Whether the call selects the course on its code and the attempt's own
// tags alone: all a course outside the catalogue has.
bool matches_own(const AuditLeaf& leaf, const Class& course, const std::vector<std::string>& tags) {
  if (leaf.tag && !in(tags, *leaf.tag)) return false;
  if (!leaf.first) return leaf.tag.has_value();
  if (!leaf.last) return *leaf.first == course;
  return leaf.first->department_id == leaf.last->department_id &&
         leaf.first->department_id == course.department_id &&
         leaf.first->course_number <= course.course_number &&
         course.course_number <= leaf.last->course_number;
}

}  // namespace

void place_attempt(const AuditProgramme::Data& programme, const AuditProblem& problem,
                   const std::vector<std::uint32_t>& substitutes, AuditCandidate& c) {
  const Attempt& attempt = *c.attempt;
  if (c.course) c.leaves = programme.leaves_of_course[*c.course];
  if (!c.course || !attempt.tags.empty()) {
    const auto course = read_course_code(attempt.course);
    for (std::uint32_t id : programme.code_or_tag_leaves) {
      if (course && matches_own(programme.leaves[id], *course, attempt.tags)) c.leaves.push_back(id);
    }
    std::ranges::sort(c.leaves);
    c.leaves.erase(std::ranges::unique(c.leaves).begin(), c.leaves.end());
  }
  const auto usable = [&](std::uint32_t node) {
    const std::uint32_t r = programme.nodes[node].requirement;
    return !problem.waived[r] && std::ranges::find(c.blocked, r) == c.blocked.end();
  };
  const auto slot_at = [&](std::uint32_t node) -> AuditSlot& {
    auto it = std::ranges::find(c.slots, node, &AuditSlot::node);
    if (it == c.slots.end()) {
      c.slots.push_back({node, {}});
      return c.slots.back();
    }
    return *it;
  };
  for (std::uint32_t r : substitutes) {
    if (usable(programme.requirements[r].root)) slot_at(programme.requirements[r].root);
  }
  for (std::uint32_t id : c.leaves) {
    const AuditLeaf& leaf = programme.leaves[id];
    if (leaf.limit && std::ranges::find(c.limits, *leaf.limit) == c.limits.end()) {
      c.limits.push_back(*leaf.limit);
    }
    if (!leaf.node || !usable(*leaf.node)) continue;
    AuditSlot& slot = slot_at(*leaf.node);
    for (std::uint32_t cap : leaf.caps) {
      if (std::ranges::find(slot.caps, cap) == slot.caps.end()) slot.caps.push_back(cap);
    }
  }
  // A substitute's caps are those of the calls it matches in the node anyway.
  for (AuditSlot& slot : c.slots) std::ranges::sort(slot.caps);
  // Tried by priority, highest first, then in file order.
  std::ranges::sort(c.slots, [&](const AuditSlot& a, const AuditSlot& b) {
    const std::uint32_t ra = programme.nodes[a.node].requirement;
    const std::uint32_t rb = programme.nodes[b.node].requirement;
    const unsigned pa = programme.requirements[ra].priority, pb = programme.requirements[rb].priority;
    if (pa != pb) return pa > pb;
    return a.node < b.node;
  });
}

}  // namespace jrl
