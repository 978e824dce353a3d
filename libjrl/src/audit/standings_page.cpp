// One student's standings across programmes as a page: a table of the
// programmes closest first, each linked to its audit further down.
#include "audit/page_parts.hpp"

namespace jrl {

std::string closest_html(std::string_view student, std::span<const ProgrammeStanding> standings,
                         const AuditPageOptions& options) {
  std::string out = audit_page::head(std::string(student) + ": programmes, closest first");
  if (!options.index_href.empty()) {
    out += "<nav><a href=\"";
    append_html(out, options.index_href);
    out += "\">All students</a></nav>\n";
  }
  out += "<h1>";
  append_html(out, student);
  out +=
      ": programmes, closest first</h1>\n<table>\n<thead><tr><th scope=\"col\" "
      "class=\"number\">Rank</th><th scope=\"col\">Programme</th><th scope=\"col\">Status</th>"
      "<th scope=\"col\">Requirements met</th><th scope=\"col\" class=\"number\">Items "
      "missing</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < standings.size(); ++i) {
    const ProgrammeStanding& s = standings[i];
    const audit_page::StatusLook verdict = audit_page::verdict_look(s.report.satisfied);
    out += "<tr><td class=\"number\">";
    out += std::to_string(s.rank);
    out += "</td><td><a href=\"#p";
    out += std::to_string(i + 1);
    out += "\">";
    append_html(out, s.title);
    out += "</a></td><td>";
    audit_page::append_status(out, verdict);
    out += "</td><td>";
    audit_page::append_bar(out, s.met, s.requirements, "Requirements met in " + s.title,
                           audit_page::count_of(s.met, s.requirements, "requirement"),
                           verdict.css);
    out += "</td><td class=\"number\">" + std::to_string(s.missing) + "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n";
  for (std::size_t i = 0; i < standings.size(); ++i) {
    const ProgrammeStanding& s = standings[i];
    std::string id = "p";
    id += std::to_string(i + 1);
    audit_page::append(out, {"<section id=\"", id, "\" aria-labelledby=\"", id, "-h\">\n<h2 id=\"",
                             id, "-h\">"});
    out += std::to_string(s.rank);
    out += ". ";
    append_html(out, s.title);
    out += "</h2>\n";
    AuditPageOptions page = options;
    page.title = s.title;
    id += '-';
    audit_page::append_audit_body(out, s.report, page, 2, id);
    out += "</section>\n";
  }
  out += audit_page::tail();
  return out;
}

}  // namespace jrl
