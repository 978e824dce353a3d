// One student's audit as a page: the verdict, then each requirement with its
// status, a progress bar, the courses counted (titled from the catalogue),
// what is missing and what would count; then the limits, the courses counted
// nowhere, the exceptions and the warnings.
#include <map>

#include "audit/page_parts.hpp"
#include "catalogue/course_code.hpp"

namespace jrl::audit_page {
namespace {

// What the body needs at hand while it writes.
struct Writer {
  std::string& out;
  const AuditPageOptions& options;
  int level;  // of the body's top headings, less one
  std::string_view id_prefix;
  std::map<std::size_t, std::string_view> names;  // requirements by index

  void open_heading(int depth, std::string_view id = {}) {
    out += "<h";
    out += std::to_string(level + depth);
    if (!id.empty()) {
      out += " id=\"";
      out += id;
      out += '"';
    }
    out += '>';
  }
  void close_heading(int depth) {
    out += "</h";
    out += std::to_string(level + depth);
    out += ">\n";
  }
  void heading(int depth, std::string_view text) {
    open_heading(depth);
    append_html(out, text);
    close_heading(depth);
  }

  std::string requirement_id(std::size_t index) const {
    return html_escaped(id_prefix) + "r" + std::to_string(index);
  }

  // "CSCI 4210 Operating Systems", the title when the catalogue has one.
  void course(std::string_view code) {
    out += "<span class=\"course\">";
    append_html(out, code);
    out += "</span>";
    if (options.catalogue == nullptr) return;
    const auto parsed = read_course_code(code);
    const CatalogueCourse* found = parsed ? options.catalogue->find(*parsed) : nullptr;
    if (found == nullptr || found->title.empty()) return;
    out += " <span class=\"course-title\">";
    append_html(out, found->title);
    out += "</span>";
  }

  // The courses as a list, each with its title.
  void courses(const std::vector<std::string>& codes) {
    out += "<ul>\n";
    for (const std::string& code : codes) {
      out += "<li>";
      course(code);
      out += "</li>\n";
    }
    out += "</ul>\n";
  }

  void attempt(std::string_view code, std::string_view term, AttemptStatus status) {
    course(code);
    if (!term.empty()) {
      out += " <span class=\"term\">";
      append_html(out, term);
      out += "</span>";
    }
    if (status == AttemptStatus::in_progress) out += " <span class=\"tag in-progress\">in progress</span>";
    if (status == AttemptStatus::planned) out += " <span class=\"tag planned\">planned</span>";
  }

  void could_also_count(const std::vector<std::size_t>& indexes) {
    bool first = true;
    for (const std::size_t index : indexes) {
      const auto name = names.find(index);
      if (name == names.end()) continue;
      out += first ? "<span class=\"also\">Could also count for: " : "; ";
      first = false;
      out += "<a href=\"#" + requirement_id(index) + "\">";
      append_html(out, name->second);
      out += "</a>";
    }
    if (!first) out += "</span>";
  }

  void items(const std::vector<AuditItem>& list) {
    out += "<ul>\n";
    for (const AuditItem& item : list) {
      out += "<li>";
      switch (item.kind) {
        case AuditItem::Kind::attempt:
          attempt(item.course, item.term, item.status);
          could_also_count(item.could_also_count);
          break;
        case AuditItem::Kind::placement:
          out += "Placement <span class=\"course\">";
          append_html(out, item.placement);
          out += "</span>";
          break;
        case AuditItem::Kind::group: {
          out += "A group, counted as one item (entry ";
          for (std::size_t i = 0; i < item.path.size(); ++i) {
            if (i != 0) out += '.';
            out += std::to_string(item.path[i] + 1);
          }
          out += "):\n";
          items(item.items);
          break;
        }
      }
      out += "</li>\n";
    }
    out += "</ul>\n";
  }

  void requirement(const RequirementReport& r) {
    const StatusLook status = look(r.status);
    const std::string id = requirement_id(r.index);
    out += "<section class=\"requirement " + std::string(status.css) + "\" id=\"" + id +
           "\" aria-labelledby=\"" + id + "-h\">\n";
    open_heading(2, id + "-h");
    append_html(out, r.description);
    close_heading(2);
    out += "<p>";
    append_status(out, status);
    out += " <span class=\"meta\">line " + std::to_string(r.line) + " \u00B7 priority " +
           std::to_string(r.priority);
    if (r.credits > 0) out += " \u00B7 " + number(r.credits) + " credits";
    out += "</span></p>\n<p>";
    std::string progress;
    if (r.status == RequirementStatus::waived) {
      progress = "waived, nothing needed";
    } else {
      progress = count_of(r.count, r.lo, "item");
      if (r.hi != r.lo) progress += " (up to " + std::to_string(r.hi) + " count)";
    }
    append_bar(out, r.status == RequirementStatus::waived ? r.lo : r.count, r.lo,
               "Progress of " + r.description, progress, status.css);
    out += "</p>\n";
    if (r.status == RequirementStatus::incomplete && !r.explanation.empty()) {
      out += "<p class=\"missing\">Missing: ";
      append_html(out, r.explanation);
      out += "</p>\n";
    }
    if (!r.items.empty()) {
      out += "<details open>\n<summary>Counted: " + std::to_string(r.count) +
             (r.count == 1 ? " item" : " items") + "</summary>\n";
      items(r.items);
      out += "</details>\n";
    } else if (r.status != RequirementStatus::waived) {
      out += "<p>Nothing counted yet.</p>\n";
    }
    if (!r.would_count.empty()) {
      out += "<details open>\n<summary>Would count</summary>\n";
      courses(r.would_count);
      out += "</details>\n";
    }
    out += "</section>\n";
  }

  void section_open(std::string_view id, std::string_view title) {
    out += "<section id=\"";
    append_html(out, id_prefix);
    out += id;
    out += "\">\n";
    heading(1, title);
  }

  // A section of its own for a list, each element an item written by
  // `write`; nothing when the list is empty.
  template <typename T, typename Write>
  void listed(std::string_view id, std::string_view title, const std::vector<T>& list, Write write) {
    if (list.empty()) return;
    section_open(id, title);
    out += "<ul>\n";
    for (const T& element : list) {
      out += "<li>";
      write(element);
      out += "</li>\n";
    }
    out += "</ul>\n</section>\n";
  }

  void limit(const LimitReport& limit) {
    append_html(out, limit.description);
    out += " <span class=\"meta\">line " + std::to_string(limit.line) + "</span>: " +
           std::to_string(limit.used) + " of " + std::to_string(limit.allowed) + " used";
    if (!limit.courses.empty()) courses(limit.courses);
  }

  void exception(const ExceptionReport& e) {
    out += "<strong>";
    append_html(out, e.kind);
    out += "</strong>: ";
    const auto name = names.find(e.requirement);
    if (name != names.end()) {
      out += "<a href=\"#" + requirement_id(e.requirement) + "\">";
      append_html(out, name->second);
      out += "</a>";
    } else {
      out += "statement " + std::to_string(e.requirement);
    }
    if (!e.course.empty()) {
      out += ", ";
      course(e.course);
    }
    if (!e.effect.empty()) {
      out += ". ";
      append_html(out, e.effect);
    }
  }

  void summary(const AuditReport& report) {
    const std::size_t met = requirements_met(report);
    const std::size_t all = report.requirements.size();
    const unsigned missing = items_missing(report);
    const StatusLook verdict = verdict_look(report.satisfied);
    out += "<p class=\"verdict\">";
    append_status(out, verdict);
    out += report.satisfied ? " Every requirement is met." : " Not every requirement is met yet.";
    out += "</p>\n<p>";
    append_bar(out, met, all, "Requirements met", count_of(met, all, "requirement") + " met",
               verdict.css);
    out += "</p>\n<dl class=\"facts\">\n<dt>Items missing</dt><dd>" + std::to_string(missing) +
           "</dd>\n<dt>Programme</dt><dd>";
    append_html(out, report.programme);
    out += "</dd>\n<dt>Catalogue</dt><dd>";
    append_html(out, report.catalogue);
    out += "</dd>\n<dt>Allocation</dt><dd>";
    out += report.optimal
               ? "proven the best possible use of the courses"
               : "the best found before the time limit ran out, not proven the best";
    out += "</dd>\n</dl>\n";
  }
};

}  // namespace

void append_audit_body(std::string& out, const AuditReport& report,
                       const AuditPageOptions& options, int level, std::string_view id_prefix) {
  Writer w{out, options, level, id_prefix, {}};
  for (const RequirementReport& r : report.requirements) w.names.emplace(r.index, r.description);
  w.summary(report);
  w.section_open("requirements", "Requirements");
  for (const RequirementReport& r : report.requirements) w.requirement(r);
  out += "</section>\n";
  w.listed("limits", "Limits", report.limits, [&w](const LimitReport& l) { w.limit(l); });
  w.listed("unused", "Courses counted nowhere", report.unused,
           [&w](const AttemptRef& a) { w.attempt(a.course, a.term, a.status); });
  w.listed("exceptions", "Exceptions", report.exceptions,
           [&w](const ExceptionReport& e) { w.exception(e); });
  w.listed("warnings", "Warnings", report.warnings,
           [&out](const std::string& warning) { append_html(out, warning); });
}

}  // namespace jrl::audit_page

namespace jrl {

std::string audit_html(const AuditReport& report, const AuditPageOptions& options) {
  const std::string_view programme = options.title.empty() ? report.programme : options.title;
  std::string out = audit_page::head(report.student + ": " + std::string(programme));
  audit_page::append_back_link(out, options.index_href);
  out += "<h1>";
  append_html(out, report.student);
  out += ": ";
  append_html(out, programme);
  out += "</h1>\n";
  audit_page::append_audit_body(out, report, options, 1, "");
  out += audit_page::tail();
  return out;
}

}  // namespace jrl
