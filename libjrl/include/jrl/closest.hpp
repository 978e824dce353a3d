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
// first. Fails as `audit` does, on the first programme that refuses the
// record.
std::expected<std::vector<ProgrammeStanding>, RecordError> rank_programmes(
    std::span<const AuditProgramme> programmes, const StudentRecord& record,
    const AuditOptions& options = {});

// The standings as JSON on one line, keys in a fixed order.
std::string to_json(std::span<const ProgrammeStanding> standings);

}  // namespace jrl
