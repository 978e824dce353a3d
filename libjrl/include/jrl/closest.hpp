// What-if across programmes: one student's record audited against several
// programmes, ranked by how close the student is to completing each.
//
//   auto standings = jrl::rank_programmes(programmes, record);
//   if (standings) for (const auto& s : *standings) use(s.report.programme, s.missing);
#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "jrl/audit.hpp"
#include "jrl/record.hpp"

namespace jrl {

// One programme's audit of the student, with the figures it is ranked by.
struct ProgrammeStanding {
  std::size_t rank = 0;           // from 1; equal figures share a rank
  std::string title;              // the programme's title, or its name
  AuditReport report;             // report.programme names the programme
  std::size_t met = 0;            // requirements satisfied (or waived)
  std::size_t requirements = 0;   // requirements in all
  unsigned missing = 0;           // items missing over every requirement
};

// Audits `record` against each programme and orders the standings closest
// first: those satisfied first, then the fewest items missing, then the
// larger share of requirements met, then by programme name. Standings equal
// in all but the name share a rank. A programme the record's exceptions do
// not fit is audited without them, and its report warns of it.
std::expected<std::vector<ProgrammeStanding>, RecordError> rank_programmes(
    std::span<const AuditProgramme> programmes, const StudentRecord& record,
    const AuditOptions& options = {});

// Whether `a` comes before `b` in that order.
bool closer(const ProgrammeStanding& a, const ProgrammeStanding& b);

// The standings as JSON on one line, keys in a fixed order: an array of
// {rank, programme, title, satisfied, met, requirements, missing, report},
// each report as `to_json` writes it.
std::string to_json(std::span<const ProgrammeStanding> standings);

}  // namespace jrl
