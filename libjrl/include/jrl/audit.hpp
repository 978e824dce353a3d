// The degree audit: which requirements of a programme a student's record
// meets, with the best possible use of each course, and what is missing.
//
//   auto programme = jrl::AuditProgramme::prepare(text, "bs_cs.jrl", catalogue);
//   auto report = jrl::audit(*programme, record);
//   if (report) std::cout << jrl::to_json(*report) << '\n';
//
// The allocation of courses to requirements is the best by, in order: the
// number of satisfied requirements of each priority (highest priority
// first), the progress towards each requirement's lower bound, the fewest
// courses not yet completed, and the most courses counted. Ties are broken
// by course code and term, so the same record always gives the same report
// whatever the order of the catalogue or of the record's attempts.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/catalogue.hpp"
#include "jrl/record.hpp"

namespace jrl {

struct AuditOptions {
  // Which attempts take part, by status.
  bool completed = true;
  bool in_progress = true;
  bool planned = false;
  // Grades that make a completed attempt count nowhere, compared ignoring
  // case.
  std::vector<std::string> failing_grades = {"F", "U", "NP", "NC", "W", "WF", "WU", "I", "AU"};
  // After this long the best allocation found so far is reported, with
  // `optimal` false.
  std::chrono::milliseconds time_limit{5000};
};

// A requirements file prepared once against a catalogue: parsed, each
// statement's line and description known, every selector matched against the
// catalogue. Immutable and cheap to copy; threads may audit with one at once.
class AuditProgramme {
 public:
  // `name` is the programme's name in reports (usually its file name). Fails
  // with the parse error's report when the text does not parse.
  static std::expected<AuditProgramme, std::string> prepare(std::string_view text,
                                                            std::string_view name,
                                                            const Catalogue& catalogue);

  const std::string& name() const;
  // The title its first comment line gives it; empty when it has none.
  const std::string& title() const;
  const Catalogue& catalogue() const;

  struct Data;
  const Data& data() const { return *data_; }

 private:
  explicit AuditProgramme(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
  std::shared_ptr<const Data> data_;
};

enum class RequirementStatus { waived, complete, in_progress, planned, incomplete };
// "waived", "complete", "in-progress", "planned", "incomplete".
std::string_view to_string(RequirementStatus status);

// One direct item of a requirement or of a complete group.
struct AuditItem {
  enum class Kind { attempt, placement, group };
  Kind kind = Kind::attempt;
  // An attempt: its course, term and status, and the indexes of the other
  // requirements it could have counted for.
  std::string course;
  std::string term;
  AttemptStatus status = AttemptStatus::completed;
  std::vector<std::size_t> could_also_count;
  // A placement.
  std::string placement;
  // A group: the entry indexes from the requirement's selector list down to
  // the nested statement, and the group's own direct items.
  std::vector<std::size_t> path;
  std::vector<AuditItem> items;
};

struct RequirementReport {
  std::size_t index = 0;  // among all top-level statements, from 0
  std::size_t line = 0;   // the statement's first line
  std::string description;
  unsigned priority = 1;
  RequirementStatus status = RequirementStatus::incomplete;
  unsigned lo = 0, hi = 0;
  unsigned count = 0;    // direct items
  unsigned missing = 0;  // max(0, lo - count); 0 when waived
  double credits = 0;    // of every attempt used, groups included
  std::vector<AuditItem> items;
  // When not satisfied: what is missing, in words ("2 more from
  // RANGE(CSCI 4000, CSCI 4999)"), and up to three catalogue courses the
  // student has not taken that would count for it.
  std::string explanation;
  std::vector<std::string> would_count;
};

struct LimitReport {
  std::size_t index = 0;
  std::size_t line = 0;
  std::string description;
  unsigned allowed = 0;
  unsigned used = 0;
  std::vector<std::string> courses;  // the used courses it counts, sorted
};

// An eligible attempt, as the report lists those counted nowhere.
struct AttemptRef {
  std::string course;
  std::string term;
  AttemptStatus status = AttemptStatus::completed;
};

// What one exception of the record did.
struct ExceptionReport {
  std::string kind;  // "waive", "substitute" or "block"
  std::size_t requirement = 0;
  std::string course;  // empty for a waiver
  std::string effect;  // in words
};

struct AuditObjective {
  // [priority, satisfied, requirements] for each priority, highest first.
  std::vector<std::array<unsigned, 3>> priorities;
  unsigned progress = 0;
  unsigned settled = 0;
  unsigned fill = 0;
};

struct AuditReport {
  std::string student;
  std::string programme;
  std::string catalogue;
  bool satisfied = false;
  bool optimal = true;
  AuditObjective objective;
  std::vector<RequirementReport> requirements;  // the SELECTs, in file order
  std::vector<LimitReport> limits;              // the LIMITs, in file order
  std::vector<AttemptRef> unused;
  std::vector<std::string> warnings;
  std::vector<ExceptionReport> exceptions;
};

// Audits one record. Fails, naming the student and the field, when an
// exception names no top-level SELECT or a description that is not unique.
std::expected<AuditReport, RecordError> audit(const AuditProgramme& programme,
                                              const StudentRecord& record,
                                              const AuditOptions& options = {});

// The report as JSON on one line, keys in a fixed order: the same report
// always gives the same bytes.
std::string to_json(const AuditReport& report);

}  // namespace jrl
