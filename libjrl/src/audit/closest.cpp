// What-if across programmes: the student's standing in each, closest first.
//
// The order: programmes the student has satisfied first; then the fewest
// items missing over all requirements; then the larger share of
// requirements met; then the programme's name, so that the order is total
// and the same whatever order the programmes came in. Standings equal in
// the first three share a rank ("1, 1, 3").
//
// A record's exceptions name requirements of the programme they were
// granted for. A programme they do not fit (one names no requirement of it)
// is audited without any of them, with a warning in its report.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <utility>

#include "jrl/closest.hpp"
#include "jrl/text.hpp"

namespace jrl {
namespace {

ProgrammeStanding standing(const AuditProgramme& programme, AuditReport report) {
  ProgrammeStanding s;
  s.title = programme.title().empty() ? programme.name() : programme.title();
  s.requirements = report.requirements.size();
  for (const RequirementReport& r : report.requirements) {
    if (r.status != RequirementStatus::incomplete) ++s.met;
    s.missing += r.missing;
  }
  s.report = std::move(report);
  return s;
}

// The share of requirements met as a fraction; a programme without
// requirements has met all of them.
std::pair<std::uint64_t, std::uint64_t> share(const ProgrammeStanding& s) {
  if (s.requirements == 0) return {1, 1};
  return {s.met, s.requirements};
}

// Negative when `a` is closer than `b`, positive when further, 0 when
// their figures are equal.
int compare_figures(const ProgrammeStanding& a, const ProgrammeStanding& b) {
  if (a.report.satisfied != b.report.satisfied) return a.report.satisfied ? -1 : 1;
  if (a.missing != b.missing) return a.missing < b.missing ? -1 : 1;
  const auto [am, ar] = share(a);
  const auto [bm, br] = share(b);
  const std::uint64_t left = am * br, right = bm * ar;
  if (left != right) return left > right ? -1 : 1;
  return 0;
}

}  // namespace

bool closer(const ProgrammeStanding& a, const ProgrammeStanding& b) {
  if (const int c = compare_figures(a, b); c != 0) return c < 0;
  return a.report.programme < b.report.programme;
}

std::expected<std::vector<ProgrammeStanding>, RecordError> rank_programmes(
    std::span<const AuditProgramme> programmes, const StudentRecord& record,
    const AuditOptions& options) {
  std::vector<ProgrammeStanding> standings;
  standings.reserve(programmes.size());
  std::optional<StudentRecord> plain;  // the record without its exceptions
  for (const AuditProgramme& programme : programmes) {
    auto report = audit(programme, record, options);
    if (!report) {
      // The exceptions were granted against another programme: this one is
      // audited on the courses alone, and its report says so.
      if (!plain) {
        plain = record;
        plain->exceptions = {};
      }
      const RecordError refused = std::move(report.error());
      report = audit(programme, *plain, options);
      if (!report) return std::unexpected(std::move(report.error()));
      report->warnings.push_back("the record's exceptions do not fit this programme (" +
                                 (refused.field.empty() ? "" : refused.field + ": ") +
                                 refused.reason + "); audited without them");
    }
    standings.push_back(standing(programme, std::move(*report)));
  }
  // Programmes of one name keep the order they came in.
  std::vector<std::size_t> order(standings.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::ranges::sort(order, [&](std::size_t a, std::size_t b) {
    if (closer(standings[a], standings[b])) return true;
    return !closer(standings[b], standings[a]) && a < b;
  });
  std::vector<ProgrammeStanding> sorted;
  sorted.reserve(standings.size());
  for (std::size_t i : order) sorted.push_back(std::move(standings[i]));
  standings = std::move(sorted);
  for (std::size_t i = 0; i < standings.size(); ++i) {
    const bool tied = i > 0 && compare_figures(standings[i - 1], standings[i]) == 0;
    standings[i].rank = tied ? standings[i - 1].rank : i + 1;
  }
  return standings;
}

std::string to_json(std::span<const ProgrammeStanding> standings) {
  std::string out = "[";
  for (const ProgrammeStanding& s : standings) {
    if (out.size() > 1) out += ',';
    out += "{\"rank\":" + std::to_string(s.rank);
    out += ",\"programme\":" + json_string(s.report.programme);
    out += ",\"title\":" + json_string(s.title);
    out += ",\"satisfied\":";
    out += s.report.satisfied ? "true" : "false";
    out += ",\"met\":" + std::to_string(s.met);
    out += ",\"requirements\":" + std::to_string(s.requirements);
    out += ",\"missing\":" + std::to_string(s.missing);
    out += ",\"report\":" + to_json(s.report) + "}";
  }
  return out + "]";
}

}  // namespace jrl
