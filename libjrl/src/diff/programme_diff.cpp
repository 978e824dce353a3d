// Two versions of a programme compared: statements matched, each matched
// pair compared, and with a catalogue the courses each change brings in or
// leaves out.
#include "jrl/programme_diff.hpp"

#include <algorithm>
#include <array>
#include <iterator>

#include "diff/selector_text.hpp"
#include "diff/statement_comparison.hpp"
#include "diff/statement_matching.hpp"

namespace jrl {
namespace {

constexpr std::array<std::string_view, 6> CHANGE_NAMES = {
    "description", "type", "quantity", "priority", "selector_removed", "selector_added"};
static_assert(CHANGE_NAMES.size() == static_cast<std::size_t>(ChangeKind::selector_added) + 1);

std::size_t line_of(const ProgrammeVersion& version, std::size_t index) {
  return index < version.lines.size() ? version.lines[index] : 0;
}

ListedStatement listed(const ProgrammeVersion& version, std::size_t index,
                       const Catalogue* catalogue) {
  const JRLRequirement& r = version.requirements[index];
  ListedStatement out{index, line_of(version, index), std::string(r.description),
                      diffing::query_text(r.query), r.priority, std::nullopt};
  if (catalogue) out.courses = catalogue->courses_for(r);
  return out;
}

// The courses of `a` that `b` lacks; both are in catalogue order, and so in
// the order of their addresses.
CourseList missing_from(const CourseList& a, const CourseList& b) {
  CourseList out;
  std::ranges::set_difference(a, b, std::back_inserter(out));
  return out;
}

}  // namespace

std::string_view change_name(ChangeKind kind) {
  return CHANGE_NAMES[static_cast<std::size_t>(kind)];
}

ProgrammeDiff diff_programmes(const ProgrammeVersion& old_version,
                              const ProgrammeVersion& new_version, const Catalogue* catalogue) {
  ProgrammeDiff out;
  out.old_name = old_version.name;
  out.new_name = new_version.name;
  out.with_catalogue = catalogue != nullptr;
  if (catalogue) out.catalogue = catalogue->name();
  out.matched = diffing::match_statements(old_version.requirements, new_version.requirements);
  const std::vector<bool> moved = diffing::moved_statements(out.matched);

  std::vector<std::optional<std::size_t>> old_of(new_version.requirements.size());
  for (std::size_t o = 0; o < out.matched.size(); ++o) {
    if (out.matched[o]) {
      old_of[*out.matched[o]] = o;
    } else {
      out.removed.push_back(listed(old_version, o, catalogue));
    }
  }
  for (std::size_t n = 0; n < new_version.requirements.size(); ++n) {
    if (!old_of[n]) {
      out.added.push_back(listed(new_version, n, catalogue));
      continue;
    }
    const std::size_t o = *old_of[n];
    const JRLRequirement& before = old_version.requirements[o];
    const JRLRequirement& after = new_version.requirements[n];
    ChangedStatement changed{o,
                             n,
                             line_of(old_version, o),
                             line_of(new_version, n),
                             std::string(after.description),
                             after.query.type == JRLQueryType::Limit,
                             moved[o],
                             diffing::compare_statements(before, after),
                             std::nullopt,
                             std::nullopt};
    if (!changed.moved && changed.changes.empty()) {
      ++out.unchanged;
      continue;
    }
    if (catalogue) {
      const CourseList was = catalogue->courses_for(before);
      const CourseList is = catalogue->courses_for(after);
      changed.courses_now = missing_from(is, was);
      changed.courses_no_longer = missing_from(was, is);
    }
    out.changed.push_back(std::move(changed));
  }
  return out;
}

}  // namespace jrl
