#include "audit_text.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

#include "colour.hpp"
#include "jrl/text.hpp"

namespace jrl::cli {
namespace {

// Where the items of a requirement start: under its description, past the
// status column.
constexpr std::size_t STATUS_WIDTH = 13;
const std::string ITEM_INDENT(STATUS_WIDTH + 2, ' ');

Tone status_tone(RequirementStatus status) {
  switch (status) {
    case RequirementStatus::waived:
    case RequirementStatus::complete:
      return Tone::help;
    case RequirementStatus::in_progress:
    case RequirementStatus::planned:
      return Tone::warning;
    case RequirementStatus::incomplete:
      break;
  }
  return Tone::error;
}

std::string number_text(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return {buffer, result.ptr};
}

// "A, B, C", each escaped.
std::string listed(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += ", ";
    out += escape_controls(name);
  }
  return out;
}

// The requirements by index, to name those a course could also count for.
using Names = std::map<std::size_t, std::string_view>;

// "CSCI 4210  2024FA", with the status when the attempt is not completed.
std::string attempt_text(std::string_view course, std::string_view term,
                         AttemptStatus status) {
  std::string out = escape_controls(course);
  if (!term.empty()) {
    out += "  ";
    out += escape_controls(term);
  }
  if (status != AttemptStatus::completed) {
    out += "  (";
    out += to_string(status);
    out += ')';
  }
  return out;
}

void append_items(std::string& out, const std::vector<AuditItem>& items,
                  const std::string& indent, const Names& names) {
  for (const AuditItem& item : items) {
    out += indent;
    switch (item.kind) {
      case AuditItem::Kind::placement:
        out += "placement ";
        out += escape_controls(item.placement);
        out += '\n';
        break;
      case AuditItem::Kind::group: {
        out += "group at entry";
        for (std::size_t i = 0; i < item.path.size(); ++i) {
          out += i == 0 ? ' ' : '.';
          out += std::to_string(item.path[i] + 1);
        }
        out += ":\n";
        append_items(out, item.items, indent + "  ", names);
        break;
      }
      case AuditItem::Kind::attempt: {
        out += attempt_text(item.course, item.term, item.status);
        std::string also;
        for (std::size_t index : item.could_also_count) {
          const auto name = names.find(index);
          if (name == names.end()) continue;
          also += also.empty() ? "  also fits: " : "; ";
          also += escape_controls(name->second);
        }
        out += also;
        out += '\n';
        break;
      }
    }
  }
}

void append_requirement(std::string& out, const RequirementReport& r,
                        const Names& names, bool colour) {
  std::string status(to_string(r.status));
  status.resize(std::max(status.size() + 1, STATUS_WIDTH), ' ');
  out += "  ";
  out += paint(status, status_tone(r.status), colour);
  out += paint(escape_controls(r.description), Tone::strong, colour);
  out += " (line ";
  out += std::to_string(r.line);
  out += ')';
  if (r.status != RequirementStatus::waived) {
    out += ": ";
    out += std::to_string(r.count);
    out += " of ";
    out += std::to_string(r.lo);
    if (r.hi != r.lo) {
      out += '-';
      out += std::to_string(r.hi);
    }
    if (r.credits > 0) {
      out += ", ";
      out += number_text(r.credits);
      out += " credits";
    }
  }
  out += '\n';
  append_items(out, r.items, ITEM_INDENT, names);
  if (!r.explanation.empty()) {
    out += ITEM_INDENT;
    out += "missing: ";
    out += escape_controls(r.explanation);
    out += '\n';
  }
  if (!r.would_count.empty()) {
    out += ITEM_INDENT;
    out += "would count: ";
    out += listed(r.would_count);
    out += '\n';
  }
}

// A heading and its lines, or nothing when there are none.
void append_section(std::string& out, std::string_view heading,
                    const std::vector<std::string>& lines, bool colour) {
  if (lines.empty()) return;
  out += '\n';
  out += paint(heading, Tone::strong, colour);
  out += '\n';
  for (const std::string& line : lines) {
    out += "  ";
    out += line;
    out += '\n';
  }
}

}  // namespace

std::string audit_text(const AuditReport& report, bool colour) {
  Names names;
  for (const RequirementReport& r : report.requirements) {
    names.emplace(r.index, r.description);
  }
  std::string out = paint(escape_controls(report.student), Tone::strong, colour);
  out += ": ";
  out += report.satisfied ? paint("satisfied", Tone::help, colour)
                          : paint("not satisfied", Tone::error, colour);
  out += " (";
  out += escape_controls(report.programme);
  out += ", ";
  out += escape_controls(report.catalogue);
  out += ")\n";
  if (!report.optimal) {
    out += paint("note", Tone::warning, colour);
    out += ": the time limit ran out; this is the best allocation found, "
           "not proven the best\n";
  }
  out += '\n';
  for (const RequirementReport& r : report.requirements) {
    append_requirement(out, r, names, colour);
  }

  std::vector<std::string> lines;
  for (const LimitReport& limit : report.limits) {
    std::string line = escape_controls(limit.description);
    line += " (line ";
    line += std::to_string(limit.line);
    line += "): ";
    line += std::to_string(limit.used);
    line += " of ";
    line += std::to_string(limit.allowed);
    line += " used";
    if (!limit.courses.empty()) {
      line += ": ";
      line += listed(limit.courses);
    }
    lines.push_back(std::move(line));
  }
  append_section(out, "Limits", lines, colour);

  lines.clear();
  for (const AttemptRef& attempt : report.unused) {
    lines.push_back(attempt_text(attempt.course, attempt.term, attempt.status));
  }
  append_section(out, "Counted nowhere", lines, colour);

  lines.clear();
  for (const ExceptionReport& e : report.exceptions) {
    // The effect names the requirement and the course; without one, name
    // them here.
    std::string line = e.kind;
    line += ": ";
    if (!e.effect.empty()) {
      line += escape_controls(e.effect);
    } else {
      const auto name = names.find(e.requirement);
      line += name == names.end() ? std::to_string(e.requirement)
                                  : escape_controls(name->second);
      if (!e.course.empty()) {
        line += ", ";
        line += escape_controls(e.course);
      }
    }
    lines.push_back(std::move(line));
  }
  append_section(out, "Exceptions", lines, colour);

  lines.clear();
  for (const std::string& warning : report.warnings) {
    std::string line = paint("warning", Tone::warning, colour);
    line += ": ";
    line += escape_controls(warning);
    lines.push_back(std::move(line));
  }
  append_section(out, "Warnings", lines, colour);
  return out;
}

}  // namespace jrl::cli
