// One student's audits against two versions of a programme, compared
// requirement by requirement, and the comparison's JSON form.
#include "jrl/audit_change.hpp"

#include <string>
#include <vector>

#include "jrl/text.hpp"
#include "text/number_text.hpp"

namespace jrl {
namespace {

using number_text::decimal;

RequirementStanding standing(const RequirementReport& r) {
  return {r.index, r.status, r.lo, r.hi, r.count, r.missing, r.explanation};
}

bool met(const RequirementStanding& s) { return s.status != RequirementStatus::incomplete; }

// Where the student stands with a requirement: its status and how many
// items are missing. A count that moves above the lower bound, or an
// explanation reworded with its list, asks nothing new of the student.
bool same_need(const RequirementStanding& a, const RequirementStanding& b) {
  return a.status == b.status && a.missing == b.missing;
}

// The report's requirement with top-level index `index`, or null (a LIMIT,
// or no statement at all).
const RequirementReport* requirement_at(const AuditReport& report, std::size_t index) {
  for (const RequirementReport& r : report.requirements) {
    if (r.index == index) return &r;
    if (r.index > index) break;
  }
  return nullptr;
}

void append_standing(std::string& out, const std::optional<RequirementStanding>& s) {
  if (!s) {
    out += "null";
    return;
  }
  out += "{\"index\":" + decimal(s->index) + ",\"status\":" + json_string(to_string(s->status)) +
         ",\"lo\":" + decimal(s->lo) + ",\"hi\":" + decimal(s->hi) +
         ",\"count\":" + decimal(s->count) + ",\"missing\":" + decimal(s->missing) +
         ",\"explanation\":" + json_string(s->explanation) + '}';
}

}  // namespace

std::string_view to_string(RequirementChange::Kind kind) {
  switch (kind) {
    case RequirementChange::Kind::changed: return "changed";
    case RequirementChange::Kind::added: return "added";
    case RequirementChange::Kind::removed: return "removed";
  }
  return "changed";
}

StudentChange compare_audits(const AuditReport& before, const AuditReport& after,
                             std::span<const std::optional<std::size_t>> matching) {
  StudentChange change;
  change.student = after.student;
  change.satisfied_before = before.satisfied;
  change.satisfied_after = after.satisfied;

  // For each new requirement, the old one it was paired with.
  std::vector<const RequirementReport*> paired(after.requirements.size(), nullptr);
  std::vector<const RequirementReport*> removed;
  for (const RequirementReport& old_req : before.requirements) {
    const RequirementReport* new_req = nullptr;
    if (old_req.index < matching.size() && matching[old_req.index]) {
      new_req = requirement_at(after, *matching[old_req.index]);
    }
    if (new_req == nullptr) {
      removed.push_back(&old_req);
    } else {
      paired[static_cast<std::size_t>(new_req - after.requirements.data())] = &old_req;
    }
  }

  for (std::size_t i = 0; i < after.requirements.size(); ++i) {
    const RequirementReport& new_req = after.requirements[i];
    RequirementStanding now = standing(new_req);
    if (paired[i] == nullptr) {
      if (!met(now)) {
        change.requirements.push_back(
            {RequirementChange::Kind::added, new_req.description, std::nullopt, std::move(now)});
      }
      continue;
    }
    RequirementStanding was = standing(*paired[i]);
    if (!same_need(was, now)) {
      change.requirements.push_back(
          {RequirementChange::Kind::changed, new_req.description, std::move(was), std::move(now)});
    }
  }
  for (const RequirementReport* old_req : removed) {
    RequirementStanding was = standing(*old_req);
    if (!met(was)) {
      change.requirements.push_back(
          {RequirementChange::Kind::removed, old_req->description, std::move(was), std::nullopt});
    }
  }
  return change;
}

std::string to_json(const StudentChange& change) {
  std::string out = "{\"student\":" + json_string(change.student) +
                    ",\"satisfied_before\":" + (change.satisfied_before ? "true" : "false") +
                    ",\"satisfied_after\":" + (change.satisfied_after ? "true" : "false") +
                    ",\"requirements\":[";
  for (const RequirementChange& r : change.requirements) {
    if (out.back() != '[') out += ',';
    out += "{\"change\":" + json_string(to_string(r.kind)) +
           ",\"description\":" + json_string(r.description) + ",\"before\":";
    append_standing(out, r.before);
    out += ",\"after\":";
    append_standing(out, r.after);
    out += '}';
  }
  out += "]}";
  return out;
}

}  // namespace jrl
