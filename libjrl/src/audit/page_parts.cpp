// The audit pages' shared parts: one style sheet for the student, index and
// standings pages, written into each page so that a page is one file that
// works offline, reads without colour and prints.
#include <algorithm>
#include <charconv>

#include "audit/page_parts.hpp"

namespace jrl::audit_page {
namespace {

constexpr std::string_view STYLE = R"(:root { color-scheme: light; --ok: #1a7f37; --busy: #9a6700;
  --plan: #0b5cad; --waived: #57606a; --short: #c4262e; }
body { margin: 0; color: #1b1b1b; background: #fff;
  font: 16px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
main { max-width: 52rem; margin: 0 auto; padding: 2rem 1.5rem 3rem; }
h1 { font-size: 1.7rem; line-height: 1.25; margin: 0 0 1rem; }
h2 { font-size: 1.35rem; margin: 2rem 0 .75rem; padding-bottom: .25rem;
  border-bottom: 2px solid #7a1f2b; }
h3, h4, h5 { font-size: 1.1rem; margin: 0 0 .25rem; }
p { margin: .25rem 0; }
ul { margin: .25rem 0 .5rem; padding-left: 1.5rem; }
li { margin: .15rem 0; }
a { color: #0b5cad; }
a:focus-visible, summary:focus-visible { outline: 3px solid #0b5cad; outline-offset: 2px; }
nav { margin-bottom: 1rem; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: .1rem 1rem; margin: .75rem 0; }
dl.facts dt { font-weight: 600; }
dl.facts dd { margin: 0; }
.verdict { font-size: 1.2rem; font-weight: 600; margin: .5rem 0; }
.status { display: inline-block; font-weight: 600; padding: 0 .45rem; border-radius: .3rem;
  border: 1px solid currentColor; white-space: nowrap; }
.status .mark { margin-right: .3rem; }
.complete, .satisfied { color: var(--ok); }
.in-progress { color: var(--busy); }
.planned { color: var(--plan); }
.waived { color: var(--waived); }
.incomplete, .unsatisfied, .failed { color: var(--short); }
.requirement { margin: 1rem 0; padding: .75rem 1rem; border: 1px solid #d0d7de;
  border-left: 6px solid currentColor; border-radius: .3rem; break-inside: avoid; }
.requirement > * { color: #1b1b1b; }
.requirement > h3, .requirement > h4, .requirement > h5 { color: #1b1b1b; }
.meta { color: #555; font-size: .9rem; }
.progress { display: flex; align-items: center; gap: .75rem; margin: .35rem 0; }
.bar { display: inline-block; flex: 0 0 12rem; height: .8rem; border: 1px solid #8c959f;
  border-radius: .4rem; background: #eaeef2; overflow: hidden; vertical-align: middle; }
.bar .fill { display: block; height: 100%; background: currentColor; }
.bar-text { color: #1b1b1b; font-variant-numeric: tabular-nums; }
.course { font-weight: 600; white-space: nowrap; }
.course-title { font-style: italic; }
.term { color: #555; }
.tag { font-size: .85rem; font-weight: 600; padding: 0 .3rem; border: 1px dashed currentColor;
  border-radius: .25rem; }
.also { display: block; color: #555; font-size: .9rem; }
.missing { font-weight: 600; }
summary { cursor: pointer; font-weight: 600; margin: .25rem 0; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .3rem .5rem; border-bottom: 1px solid #d0d7de; vertical-align: top; }
td.number, th.number { text-align: right; font-variant-numeric: tabular-nums; }
td .progress { margin: 0; }
td .bar { flex-basis: 6rem; }
.error { color: var(--short); }
@media print {
  :root { --ok: #000; --busy: #000; --plan: #000; --waived: #000; --short: #000; }
  body { font-size: 11pt; }
  main { max-width: none; padding: 0; }
  a { color: inherit; text-decoration: none; }
  nav { display: none; }
  h2, h3, h4 { break-after: avoid; }
  h2 { border-bottom-color: #000; }
  .requirement { border-color: #000; }
  .bar { border-color: #000; background: #fff; }
  .bar .fill { background: #777; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  summary { list-style: none; }
}
@media print { details::details-content { content-visibility: visible; display: contents; } })";

}  // namespace

StatusLook look(RequirementStatus status) {
  switch (status) {
    case RequirementStatus::waived: return {"waived", "\u2713", "Waived"};
    case RequirementStatus::complete: return {"complete", "\u2713", "Complete"};
    case RequirementStatus::in_progress: return {"in-progress", "\u25D0", "In progress"};
    case RequirementStatus::planned: return {"planned", "\u25CB", "Planned"};
    case RequirementStatus::incomplete: break;
  }
  return {"incomplete", "\u2717", "Incomplete"};
}

StatusLook verdict_look(bool satisfied) {
  return satisfied ? StatusLook{"satisfied", "\u2713", "Satisfied"}
                   : StatusLook{"unsatisfied", "\u2717", "Not satisfied"};
}

void append_status(std::string& out, const StatusLook& look) {
  out += "<span class=\"status ";
  out += look.css;
  out += "\"><span class=\"mark\" aria-hidden=\"true\">";
  out += look.mark;
  out += "</span>";
  out += look.word;
  out += "</span>";
}

std::string head(std::string_view title) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
  append_html(out, title);
  out += "</title>\n<style>\n";
  out += STYLE;
  out += "\n</style>\n</head>\n<body>\n<main>\n";
  return out;
}

std::string_view tail() { return "</main>\n</body>\n</html>\n"; }

void append_bar(std::string& out, std::size_t now, std::size_t max, std::string_view label,
                std::string_view text, std::string_view css) {
  const std::size_t shown = max == 0 ? 1 : std::min(now, max);
  const std::size_t of = std::max<std::size_t>(max, 1);
  out += "<span class=\"progress ";
  out += css;
  out += "\"><span class=\"bar\" role=\"progressbar\" aria-valuemin=\"0\" aria-valuemax=\"";
  out += std::to_string(of);
  out += "\" aria-valuenow=\"";
  out += std::to_string(shown);
  out += "\" aria-valuetext=\"";
  append_html(out, text);
  out += "\" aria-label=\"";
  append_html(out, label);
  out += "\"><span class=\"fill\" style=\"width: ";
  out += std::to_string(shown * 100 / of);
  out += "%\"></span></span><span class=\"bar-text\">";
  append_html(out, text);
  out += "</span></span>";
}

void append_progress_cells(std::string& out, bool satisfied, std::size_t met,
                           std::size_t requirements, unsigned missing, std::string_view label) {
  const StatusLook verdict = verdict_look(satisfied);
  out += "<td>";
  append_status(out, verdict);
  out += "</td><td>";
  append_bar(out, met, requirements, label, count_of(met, requirements, "requirement"),
             verdict.css);
  out += "</td><td class=\"number\">";
  out += std::to_string(missing);
  out += "</td></tr>\n";
}

void append_back_link(std::string& out, std::string_view href) {
  if (href.empty()) return;
  out += "<nav><a href=\"";
  append_html(out, href);
  out += "\">All students</a></nav>\n";
}

std::string count_of(std::size_t now, std::size_t of, std::string_view noun) {
  std::string out = std::to_string(now) + " of " + std::to_string(of) + " ";
  out += noun;
  if (of != 1) out += 's';
  return out;
}

std::string number(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return {buffer, end};
}

std::size_t requirements_met(const AuditReport& report) {
  return static_cast<std::size_t>(std::ranges::count_if(report.requirements, [](const auto& r) {
    return r.status != RequirementStatus::incomplete;
  }));
}

unsigned items_missing(const AuditReport& report) {
  unsigned missing = 0;
  for (const RequirementReport& r : report.requirements) missing += r.missing;
  return missing;
}

}  // namespace jrl::audit_page
