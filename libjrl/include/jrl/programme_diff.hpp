// What changed between two versions of a programme, by what the statements
// mean rather than how they are written: the statements added, removed and
// changed, each change named (quantity, priority, description, what is
// selected), and with a catalogue the courses that newly count or no longer
// count.
//
// Statements are matched old to new by description (the same text first,
// then one clearly similar text), then by their place among the matched
// ones. Within a statement, selectors are compared by their canonical text,
// so a change of layout, case of a function name or order inside a list is
// no change.
//
//   const jrl::ProgrammeDiff d = jrl::diff_programmes(old_version, new_version);
//   if (!d.empty()) std::cout << jrl::diff_text(d, {});
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/catalogue.hpp"
#include "jrl/model.hpp"

namespace jrl {

// One version of a programme: its top-level statements in file order, and
// the line each starts on (from 1; left empty, every line shows as 0).
struct ProgrammeVersion {
  std::string name;  // the file, as reports name it
  std::span<const JRLRequirement> requirements;
  std::span<const std::size_t> lines;
};

enum class ChangeKind : std::uint8_t {
  description,       // the description was reworded
  type,              // SELECT became LIMIT, or the reverse
  quantity,          // "5" -> "6", "2-4" -> "3-4"
  priority,          // "1" -> "20"
  selector_removed,  // a selector the old version had and the new lacks
  selector_added,    // and the reverse
};

// "description", "type", ..., "selector_added": as the JSON form names it.
std::string_view change_name(ChangeKind kind);

struct StatementChange {
  ChangeKind kind = ChangeKind::description;
  // The nested statements the change lies in, outermost first, each as the
  // old version writes it; empty for a change of the statement itself.
  std::vector<std::string> within;
  // Canonical texts: a quantity, a priority, a description, "SELECT" or
  // "LIMIT", a selector. An added selector has no old value, a removed one
  // no new value.
  std::optional<std::string> old_value;
  std::optional<std::string> new_value;

  friend bool operator==(const StatementChange&,
                         const StatementChange&) = default;
};

using CourseList = std::vector<const CatalogueCourse*>;

// A statement of one version only.
struct ListedStatement {
  std::size_t index = 0;  // among the top-level statements, from 0
  std::size_t line = 0;
  std::string description;
  std::string statement;  // the query in canonical text
  std::uint16_t priority = 1;
  // With a catalogue: what it selects.
  std::optional<CourseList> courses;
};

// A statement of both versions whose meaning changed, or that moved.
struct ChangedStatement {
  std::size_t old_index = 0;
  std::size_t new_index = 0;
  std::size_t old_line = 0;
  std::size_t new_line = 0;
  std::string description;  // the new one
  bool is_limit = false;    // the new statement is a LIMIT
  // Its order among the statements of both versions changed.
  bool moved = false;
  std::vector<StatementChange> changes;
  // With a catalogue: the courses the new statement selects and the old did
  // not, and the reverse.
  std::optional<CourseList> courses_now;
  std::optional<CourseList> courses_no_longer;
};

struct ProgrammeDiff {
  std::string old_name;
  std::string new_name;
  std::string catalogue;  // the catalogue's name, when one was given
  bool with_catalogue = false;
  std::vector<ListedStatement> added;    // indexes of the new version
  std::vector<ListedStatement> removed;  // indexes of the old version
  std::vector<ChangedStatement> changed; // in the order of the new version
  std::size_t unchanged = 0;
  // For each old statement, the new statement it was matched with.
  std::vector<std::optional<std::size_t>> matched;

  // Nothing was added, removed, changed or moved.
  bool empty() const {
    return added.empty() && removed.empty() && changed.empty();
  }
};

// Compares two versions. Course lists point into `catalogue`, which must
// outlive the result; everything else is owned by it.
ProgrammeDiff diff_programmes(const ProgrammeVersion& old_version,
                              const ProgrammeVersion& new_version,
                              const Catalogue* catalogue = nullptr);

// One JSON document, ending in a line feed (docs/diff.md gives its shape).
std::string diff_json(const ProgrammeDiff& diff);

struct DiffTextStyle {
  bool colour = false;  // ANSI colours on the marks, for a terminal
};

// A summary for a person: a line per statement added ("+"), removed ("-")
// or changed ("~"), the courses under it, and a closing count.
std::string diff_text(const ProgrammeDiff& diff, DiffTextStyle style);

}  // namespace jrl
