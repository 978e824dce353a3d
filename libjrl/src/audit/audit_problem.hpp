// One record against one prepared programme: the attempts that take part,
// where each may count, and the free items (placements, and groups that
// placements alone complete) each query node may take. The allocation
// solver and the report both read it.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audit/programme_data.hpp"
#include "jrl/audit.hpp"

namespace jrl {

// A query node an attempt may count in as a direct item, and the caps of
// that node it counts against there.
struct AuditSlot {
  std::uint32_t node = 0;
  std::vector<std::uint32_t> caps;
};

// An eligible attempt, the one kept for its course.
struct AuditCandidate {
  const Attempt* attempt = nullptr;
  std::optional<std::uint32_t> course;  // catalogue position
  unsigned cost = 0;                    // 0 completed, 1 in progress, 2 planned
  double credits = 0;
  std::vector<std::uint32_t> leaves;    // the calls it matches, ascending
  std::vector<AuditSlot> slots;         // in the order the solver tries them
  std::vector<std::uint32_t> limits;    // the LIMITs it counts against
  std::vector<std::uint32_t> blocked;   // requirements it is blocked from
};

// A placement or a group that costs nothing to count: it uses no attempt.
struct AuditFreeItem {
  std::optional<std::string_view> placement;
  std::optional<std::uint32_t> group;  // a node
  std::vector<std::uint32_t> caps;     // of the node that takes it
};

struct AuditProblem {
  const AuditProgramme::Data* programme = nullptr;
  std::vector<AuditCandidate> attempts;  // by course code, then term
  std::vector<bool> waived;              // by requirement
  // By node: the free items it may take (held placements, and groups that
  // placements alone complete), and whether placements alone complete it.
  std::vector<std::vector<AuditFreeItem>> free_items;
  std::vector<bool> complete_by_placements;
  // Each priority, highest first, and each requirement's tier among them.
  std::vector<unsigned> priorities;
  std::vector<std::uint32_t> tier;
  std::vector<std::string> warnings;
};

// Which attempts take part, where each may count, and the record's
// exceptions resolved against the file.
std::expected<AuditProblem, RecordError> build_problem(const AuditProgramme::Data& programme,
                                                       const StudentRecord& record,
                                                       const AuditOptions& options);

// How a node fills when its attempts are fixed: the most free items that fit
// under its upper bound and caps, the first such set in entry order, as
// indexes into the node's free items.
std::vector<std::uint32_t> choose_free_items(const std::vector<AuditFreeItem>& items, unsigned room,
                                             std::vector<int> cap_room);

}  // namespace jrl

namespace jrl {

// The attempts that take part, one per course (the best by status, the last
// listed among equals), ordered by course code, with their catalogue course,
// cost and credits; a warning for each course not in the catalogue.
std::vector<AuditCandidate> eligible_attempts(const AuditProgramme::Data& programme,
                                              const StudentRecord& record,
                                              const AuditOptions& options,
                                              std::vector<std::string>& warnings);

// Fills the candidate's calls, slots and LIMITs. `substitutes` lists the
// requirements the candidate's course substitutes into.
void place_attempt(const AuditProgramme::Data& programme, const AuditProblem& problem,
                   const std::vector<std::uint32_t>& substitutes, AuditCandidate& candidate);

}  // namespace jrl
