// The index page of a run over many students: a table in input order,
// written a row at a time, then the totals.
#include "audit/page_parts.hpp"

namespace jrl {

std::string audit_index_head(std::string_view programme_title) {
  std::string out = audit_page::head("Audits: " + std::string(programme_title));
  out += "<h1>Audits: ";
  append_html(out, programme_title);
  out +=
      "</h1>\n<table>\n<caption class=\"meta\">Every student in the order of the input; "
      "follow a student's name for their audit.</caption>\n<thead><tr><th scope=\"col\" "
      "class=\"number\">Line</th><th scope=\"col\">Student</th>";
  out += audit_page::PROGRESS_HEADINGS;
  return out;
}

std::string audit_index_row(const AuditIndexRow& row) {
  std::string out = "<tr><td class=\"number\">" + std::to_string(row.line) + "</td><td>";
  if (row.student.empty()) {
    out += "<span class=\"meta\">(unknown)</span>";
  } else if (row.href.empty()) {
    append_html(out, row.student);
  } else {
    out += "<a href=\"";
    append_html(out, row.href);
    out += "\">";
    append_html(out, row.student);
    out += "</a>";
  }
  out += "</td>";
  if (!row.error.empty()) {
    out += "<td>";
    audit_page::append_status(out, {"failed", "\u2717", "Not audited"});
    out += "</td><td colspan=\"2\" class=\"error\">Line " + std::to_string(row.line) + ": ";
    append_html(out, row.error);
    out += "</td></tr>\n";
    return out;
  }
  audit_page::append_progress_cells(out, row.satisfied, row.met, row.requirements, row.missing,
                                    "Requirements met by " + row.student);
  return out;
}

std::string audit_index_tail(const AuditIndexTotals& totals) {
  std::string out = "</tbody>\n</table>\n<section id=\"totals\">\n<h2>Totals</h2>\n<dl class=\"facts\">\n";
  const auto fact = [&out](std::string_view term, std::size_t n) {
    out += "<dt>";
    out += term;
    out += "</dt><dd>" + std::to_string(n) + "</dd>\n";
  };
  fact("Students audited", totals.audited);
  fact("Satisfied", totals.satisfied);
  fact("Not satisfied", totals.audited - std::min(totals.satisfied, totals.audited));
  fact("Records that failed", totals.failed);
  out += "</dl>\n</section>\n";
  out += audit_page::tail();
  return out;
}

}  // namespace jrl
