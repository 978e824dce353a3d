// What a new version of a programme changes for one student: the student's
// audits against the old and the new version, compared requirement by
// requirement through the pairing of statements that `diff_programmes`
// found.
//
//   const jrl::ProgrammeDiff diff = jrl::diff_programmes(old_version, new_version);
//   const jrl::StudentChange change = jrl::compare_audits(*before, *after, diff.matched);
//   if (!change.empty()) std::cout << jrl::to_json(change) << '\n';
//
// A requirement of both versions is listed when its status or the number
// of items missing differs (a count that changes above the lower bound asks
// nothing new of the student). A requirement of one version only is listed when
// it is not met there: one the student already meets asks nothing new of
// them, and one they had met took nothing away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/audit.hpp"

namespace jrl {

// Where one requirement stood for the student under one version.
struct RequirementStanding {
  std::size_t index = 0;  // among the version's top-level statements
  RequirementStatus status = RequirementStatus::incomplete;
  unsigned lo = 0, hi = 0;
  unsigned count = 0;
  unsigned missing = 0;
  std::string explanation;  // what is missing, in words; empty when met

  friend bool operator==(const RequirementStanding&, const RequirementStanding&) = default;
};

struct RequirementChange {
  enum class Kind : std::uint8_t { changed, added, removed };
  Kind kind = Kind::changed;
  std::string description;  // the new version's, the old one's when removed
  std::optional<RequirementStanding> before;  // none when added
  std::optional<RequirementStanding> after;   // none when removed
};

// "changed", "added", "removed".
std::string_view to_string(RequirementChange::Kind kind);

struct StudentChange {
  std::string student;
  bool satisfied_before = false;
  bool satisfied_after = false;
  // Requirements of the new version in its order (changed or added), then
  // those of the old version only, in its order.
  std::vector<RequirementChange> requirements;

  // The verdict and every requirement are as they were.
  bool empty() const {
    return satisfied_before == satisfied_after && requirements.empty();
  }
};

// Compares one student's audits against two versions. `matching[i]` is the
// new statement the old statement `i` became (`ProgrammeDiff::matched`); a
// requirement paired with a LIMIT counts as removed, and the reverse.
StudentChange compare_audits(const AuditReport& before, const AuditReport& after,
                             std::span<const std::optional<std::size_t>> matching);

// One JSON object on one line, keys in a fixed order (docs/diff.md).
std::string to_json(const StudentChange& change);

}  // namespace jrl
