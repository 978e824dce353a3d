#include "closest_text.hpp"

#include <algorithm>

#include "colour.hpp"
#include "jrl/text.hpp"
#include "output.hpp"

namespace jrl::cli {
namespace {

// The closest programmes whose missing requirements are spelt out.
constexpr std::size_t DETAILED = 3;

// `text` padded on the left (`right`) or right to `width` columns.
std::string padded(std::string text, std::size_t width, bool right = false) {
  if (text.size() >= width) return text;
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

std::string named(const ProgrammeStanding& s) {
  std::string out = escape_controls(s.title);
  if (s.title != s.report.programme) out += " (" + escape_controls(s.report.programme) + ")";
  return out;
}

}  // namespace

std::string closest_text(std::span<const ProgrammeStanding> standings, bool colour) {
  if (standings.empty()) return {};
  const AuditReport& first = standings.front().report;
  std::string out = paint(escape_controls(first.student), Tone::strong, colour);
  out += ": ";
  out += counted(standings.size(), "programme");
  out += ", closest first (";
  out += escape_controls(first.catalogue);
  out += ")\n\n";

  std::vector<std::string> met;
  std::size_t met_width = 3;
  for (const ProgrammeStanding& s : standings) {
    met.push_back(std::to_string(s.met) + "/" + std::to_string(s.requirements));
    met_width = std::max(met_width, met.back().size());
  }
  const auto row = [&](std::string rank, std::string m, std::string missing,
                       std::string status, std::string programme) {
    return "  " + padded(std::move(rank), 4, true) + "  " + padded(std::move(m), met_width) +
           "  " + padded(std::move(missing), 7, true) + "  " + status + programme;
  };
  out += paint(row("rank", "met", "missing", padded("status", 15), "programme"), Tone::strong,
               colour);
  out += '\n';
  for (std::size_t i = 0; i < standings.size(); ++i) {
    const ProgrammeStanding& s = standings[i];
    const std::string_view status = s.report.satisfied ? "satisfied" : "not satisfied";
    out += row(std::to_string(s.rank), met[i], std::to_string(s.missing),
               paint(padded(std::string(status), 15),
                     s.report.satisfied ? Tone::help : Tone::error, colour),
               named(s));
    out += '\n';
  }
  if (std::ranges::any_of(standings, [](const auto& s) { return !s.report.optimal; })) {
    out += paint("note", Tone::warning, colour);
    out += ": the time limit ran out for some programme; its figures are the best "
           "allocation found, not proven the best\n";
  }

  for (std::size_t i = 0; i < std::min(DETAILED, standings.size()); ++i) {
    const ProgrammeStanding& s = standings[i];
    if (s.report.satisfied) continue;
    out += '\n';
    out += paint(std::to_string(s.rank) + ". " + named(s) + " still needs:", Tone::strong,
                 colour);
    out += '\n';
    for (const RequirementReport& r : s.report.requirements) {
      if (r.status != RequirementStatus::incomplete) continue;
      out += "  " + escape_controls(r.description) + " (line " + std::to_string(r.line) + ")";
      if (!r.explanation.empty()) out += ": " + escape_controls(r.explanation);
      out += '\n';
    }
  }
  return out;
}

}  // namespace jrl::cli
