// `jrl diff OLD NEW --catalogue CAT --records FILE`: the students a new
// version of a programme changes things for. Each record is audited against
// both versions and the two audits compared through the pairing of
// statements the diff found; only students whose verdict or some
// requirement's standing changed are listed, then a count of all.
#pragma once

#include <string>
#include <string_view>

#include "jrl/catalogue.hpp"
#include "jrl/programme_diff.hpp"
#include "options.hpp"

namespace jrl::cli {

// One version as the audits need it: its text and its name in reports.
struct ProgrammeSource {
  std::string name;
  std::string_view text;
};

// Prints each changed student (text or JSON Lines, by --format) and the
// count; the exit status is 2 once a record was bad, else 1 when some
// student changed, else 0.
int run_reach(const Options& options, const Catalogue& catalogue,
              const ProgrammeSource& old_version, const ProgrammeSource& new_version,
              const ProgrammeDiff& diff);

}  // namespace jrl::cli
