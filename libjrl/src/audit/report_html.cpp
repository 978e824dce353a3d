// The audit's pages. A first, plain rendering: the student, the verdict and
// each requirement's status; the full page replaces it.
#include <string>

#include "jrl/audit_html.hpp"

namespace jrl {
namespace {

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string page(std::string_view title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         escaped(title) + "</title>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

}  // namespace

std::string audit_html(const AuditReport& report, const AuditPageOptions& options) {
  std::string body = "<h1>" + escaped(report.student) + "</h1>\n<p>" +
                     (report.satisfied ? "Satisfied" : "Not satisfied") + "</p>\n<ul>\n";
  for (const RequirementReport& r : report.requirements) {
    body += "<li>" + escaped(r.description) + ": " + std::string(to_string(r.status)) + "</li>\n";
  }
  body += "</ul>\n";
  return page(options.title.empty() ? report.programme : options.title, body);
}

std::string audit_index_head(std::string_view programme_title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         escaped(programme_title) + "</title>\n</head>\n<body>\n<ul>\n";
}

std::string audit_index_row(const AuditIndexRow& row) {
  return "<li>" + escaped(row.student) + "</li>\n";
}

std::string audit_index_tail(const AuditIndexTotals& totals) {
  return "</ul>\n<p>" + std::to_string(totals.audited) + " audited</p>\n</body>\n</html>\n";
}

std::string closest_html(std::string_view student, std::span<const ProgrammeStanding> standings,
                         const AuditPageOptions&) {
  std::string body = "<h1>" + escaped(student) + "</h1>\n<ol>\n";
  for (const ProgrammeStanding& s : standings) body += "<li>" + escaped(s.title) + "</li>\n";
  return page(student, body + "</ol>\n");
}

}  // namespace jrl
