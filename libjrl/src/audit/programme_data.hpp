// A requirements file prepared for auditing: each top-level statement as a
// tree of queries, each function call with the catalogue courses it
// selects, and the indexes that take an attempt to what it may count for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/audit.hpp"
#include "jrl/parse.hpp"

namespace jrl {

// One function call of the file, placements included.
struct AuditLeaf {
  const Selector* call = nullptr;  // in the parsed file
  // What it asks of a course: its course or range, a tag, a distribution;
  // or, for PLACEMENT, only `placement`.
  std::optional<Class> first, last;  // `last` only for a range
  std::optional<std::string_view> tag;
  bool distribution = false;
  std::optional<std::string_view> placement;
  // The query node it offers its courses to (for a LIMIT's calls, none).
  std::optional<std::uint32_t> node;
  // The caps of that node it lies inside, as indexes into the node's caps.
  std::vector<std::uint32_t> caps;
  // The LIMIT it lies inside, as an index into Data::limits.
  std::optional<std::uint32_t> limit;
};

// A cap, `SELECT 0-k FROM ...`, of a query node: at most `allowed` of the
// node's direct items may be items it holds.
struct AuditCap {
  unsigned allowed = 0;
};

// A query that holds items: a top-level SELECT or a group nested in one.
// Caps are no nodes: their entries are offered to the query around them.
struct AuditNode {
  unsigned lo = 0, hi = 0;
  std::uint32_t requirement = 0;            // index into Data::requirements
  std::optional<std::uint32_t> parent;      // for a group
  std::vector<std::size_t> path;            // entry indexes from the root
  std::vector<std::uint32_t> caps_of_group; // the parent's caps this group lies inside
  std::vector<AuditCap> caps;
  std::vector<std::uint32_t> leaves;        // the calls it takes courses from
  std::vector<std::uint32_t> groups;        // its groups, in entry order
  // Its placements, each once, with the caps each lies inside.
  std::vector<std::pair<std::string_view, std::vector<std::uint32_t>>> placements;
  std::string entries_text;  // its entries as written, for explanations
};

struct AuditRequirement {
  std::size_t index = 0;  // among all top-level statements
  std::size_t line = 0;
  std::string description;
  unsigned priority = 1;
  std::uint32_t root = 0;   // its node; its nodes are root .. end-1, pre-order
  std::uint32_t end = 0;
};

struct AuditLimit {
  std::size_t index = 0;
  std::size_t line = 0;
  std::string description;
  unsigned allowed = 0;
};

struct AuditProgramme::Data {
  Data(std::string n, Catalogue c, ParseResult p)
      : name(std::move(n)), catalogue(std::move(c)), parsed(std::move(p)) {}

  std::string name;
  std::string title;
  Catalogue catalogue;
  ParseResult parsed;
  std::vector<std::size_t> statement_lines;  // each top-level statement's line
  std::vector<AuditLeaf> leaves;
  std::vector<AuditNode> nodes;
  std::vector<AuditRequirement> requirements;
  std::vector<AuditLimit> limits;
  // Where each node's caps start in one list of all caps, and how many
  // there are in all.
  std::vector<std::uint32_t> cap_base;
  std::uint32_t cap_count = 0;
  // For each catalogue course, by position, the calls that select it.
  std::vector<std::vector<std::uint32_t>> leaves_of_course;
  // The calls that may select a course on its own code or an attempt's own
  // tags (CLASS, RANGE, TAG, TAG_DEPT, RANGE_TAG), for courses outside the
  // catalogue and for attempts with tags of their own.
  std::vector<std::uint32_t> code_or_tag_leaves;

  // The requirement a record's reference names, or why it names none.
  std::expected<std::uint32_t, std::string> find_requirement(const RequirementRef& ref) const;
};

}  // namespace jrl
