// One student's standings across programmes as a page: a table of the
// programmes closest first, each linked to its audit further down.
#include "audit/page_parts.hpp"

namespace jrl {

std::string closest_html(std::string_view student, std::span<const ProgrammeStanding> standings,
                         const AuditPageOptions& options) {
  std::string out = audit_page::head(std::string(student) + ": programmes, closest first");
  audit_page::append_back_link(out, options.index_href);
  out += "<h1>";
  append_html(out, student);
  out +=
      ": programmes, closest first</h1>\n<table>\n<thead><tr><th scope=\"col\" "
      "class=\"number\">Rank</th><th scope=\"col\">Programme</th>";
  out += audit_page::PROGRESS_HEADINGS;
  for (std::size_t i = 0; i < standings.size(); ++i) {
    const ProgrammeStanding& s = standings[i];
    out += "<tr><td class=\"number\">";
    out += std::to_string(s.rank);
    out += "</td><td><a href=\"#p";
    out += std::to_string(i + 1);
    out += "\">";
    append_html(out, s.title);
    out += "</a></td>";
    audit_page::append_progress_cells(out, s.report.satisfied, s.met, s.requirements, s.missing,
                                      "Requirements met in " + s.title);
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
    id += '-';
    audit_page::append_audit_body(out, s.report, options, 2, id);
    out += "</section>\n";
  }
  out += audit_page::tail();
  return out;
}

}  // namespace jrl
