// Audit reports as pages a student and an adviser read in a browser: each
// one self-contained HTML (styles inline, no scripts or assets to fetch),
// accessible and printable.
//
//   jrl::AuditPageOptions page;
//   page.catalogue = &programme->catalogue();  // course titles
//   std::string html = jrl::audit_html(*report, page);
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "jrl/audit.hpp"
#include "jrl/closest.hpp"

namespace jrl {

struct AuditPageOptions {
  // Gives each course its title; null: codes alone.
  const Catalogue* catalogue = nullptr;
  // The programme's title as the page heads it; empty: the programme's
  // name from the report.
  std::string_view title;
  // Where a link back to the index page points (relative); empty for none.
  std::string_view index_href;
};

// One student's audit as a whole page.
std::string audit_html(const AuditReport& report, const AuditPageOptions& options = {});

// The index page of a run over many students, written a row at a time so
// that memory stays small however many students there are: the head, one
// row per student in input order, then the tail with the totals.
struct AuditIndexRow {
  std::string student;      // may be empty for a record that could not be read
  std::string href;         // the student's page; empty when there is none
  std::size_t line = 0;     // the record's line in the input, from 1
  bool satisfied = false;
  std::size_t met = 0;           // requirements satisfied (or waived)
  std::size_t requirements = 0;  // requirements in all
  unsigned missing = 0;          // items missing over every requirement
  std::string error;        // why the record failed; empty when audited
};
struct AuditIndexTotals {
  std::size_t audited = 0;
  std::size_t satisfied = 0;
  std::size_t failed = 0;  // records that could not be read or audited
};
std::string audit_index_head(std::string_view programme_title);
std::string audit_index_row(const AuditIndexRow& row);
std::string audit_index_tail(const AuditIndexTotals& totals);

// One student's standings across programmes, closest first, as a page.
std::string closest_html(std::string_view student,
                         std::span<const ProgrammeStanding> standings,
                         const AuditPageOptions& options = {});

}  // namespace jrl
