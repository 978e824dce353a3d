// The text form of what a new version changes for each student.
#include "reach_text.hpp"

#include <string>
#include <string_view>

#include "colour.hpp"
#include "jrl/text.hpp"
#include "output.hpp"

namespace jrl::cli {
namespace {

// The pieces one after the other (GCC 12 warns wrongly of overlap on
// `"literal" + string`).
template <typename... Pieces>
std::string cat(const Pieces&... pieces) {
  std::string out;
  (out.append(std::string_view(pieces)), ...);
  return out;
}

std::string_view verdict(bool satisfied) { return satisfied ? "satisfied" : "not satisfied"; }

// "complete, 5 of 5", "incomplete, 4 of 6 (2 missing)", "planned, 3 of 2-4".
std::string standing_text(const RequirementStanding& s) {
  std::string out = cat(to_string(s.status), ", ", std::to_string(s.count), " of ",
                        std::to_string(s.lo));
  if (s.hi != s.lo) out += cat("-", std::to_string(s.hi));
  if (s.missing > 0) out += cat(" (", std::to_string(s.missing), " missing)");
  return out;
}

// "[3]", or "[3 -> 4]" when the requirement's index changed.
std::string index_text(const RequirementChange& r) {
  const RequirementStanding& first = r.before ? *r.before : *r.after;
  std::string out = cat("[", std::to_string(first.index));
  if (r.before && r.after && r.before->index != r.after->index) {
    out += cat(" -> ", std::to_string(r.after->index));
  }
  return out + "]";
}

char mark(RequirementChange::Kind kind) {
  switch (kind) {
    case RequirementChange::Kind::added: return '+';
    case RequirementChange::Kind::removed: return '-';
    case RequirementChange::Kind::changed: break;
  }
  return '~';
}

}  // namespace

std::string student_change_text(const StudentChange& change, bool colour) {
  std::string out = cat(escape_line(change.student), ": ");
  if (change.satisfied_before == change.satisfied_after) {
    out += cat("still ", verdict(change.satisfied_after), "\n");
  } else {
    out += cat(verdict(change.satisfied_before), " -> ", verdict(change.satisfied_after), "\n");
  }
  for (const RequirementChange& r : change.requirements) {
    const char m = mark(r.kind);
    const Tone tone = m == '+' ? Tone::help : m == '-' ? Tone::error : Tone::warning;
    std::string line = cat(index_text(r), " ", json_string(r.description), ": ");
    if (r.before && r.after) {
      line += cat(standing_text(*r.before), " -> ", standing_text(*r.after));
    } else if (r.after) {
      line += cat("new, ", standing_text(*r.after));
    } else {
      line += cat("gone, was ", standing_text(*r.before));
    }
    out += cat("  ", paint(std::string(1, m), tone, colour), " ", escape_line(line), "\n");
    if (r.after && !r.after->explanation.empty()) {
      out += cat("      missing: ", escape_line(r.after->explanation), "\n");
    }
  }
  return out;
}

std::string reach_summary_text(std::size_t audited, std::size_t changed, std::size_t failed) {
  return cat(counted(audited, "student"), " audited, ", std::to_string(changed), " changed, ",
             counted(failed, "record"), " failed\n");
}

}  // namespace jrl::cli
