// What the audit's pages share: the page around the content (its style
// inline), the progress bar, and how a status reads in words, colour and a
// mark.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "jrl/audit.hpp"
#include "jrl/audit_html.hpp"
#include "text/html_escape.hpp"

namespace jrl::audit_page {

// The pieces one after another: markup and text already escaped.
inline void append(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view piece : pieces) out.append(piece);
}

// How a status shows: a class for its colour, a mark that reads without
// colour, and the word.
struct StatusLook {
  std::string_view css;
  std::string_view mark;
  std::string_view word;
};
StatusLook look(RequirementStatus status);
StatusLook verdict_look(bool satisfied);

// `<span class="status ...">` with the mark (hidden from screen readers,
// which read the word) and the word.
void append_status(std::string& out, const StatusLook& look);

// Everything before the page's content, `<main>` open; and after it.
std::string head(std::string_view title);
std::string_view tail();

// A bar of `now` out of `max` (drawn full when `max` is 0), named `label`
// for assistive technology, with `text` ("2 of 3 items") as its value in
// words, shown beside it too.
void append_bar(std::string& out, std::size_t now, std::size_t max, std::string_view label,
                std::string_view text, std::string_view css);

// The cells of a table row that says how far a student is in a programme:
// the verdict, a bar of the requirements met (named `label`) and the items
// missing; and the headings of those columns, ending the head row.
inline constexpr std::string_view PROGRESS_HEADINGS =
    "<th scope=\"col\">Status</th><th scope=\"col\">Requirements met</th>"
    "<th scope=\"col\" class=\"number\">Items missing</th></tr></thead>\n<tbody>\n";
void append_progress_cells(std::string& out, bool satisfied, std::size_t met,
                           std::size_t requirements, unsigned missing, std::string_view label);

// A link back to the index page, or nothing when `href` is empty.
void append_back_link(std::string& out, std::string_view href);

// "N of M" with the noun in the singular for one.
std::string count_of(std::size_t now, std::size_t of, std::string_view noun);

// A credit count as its shortest text ("4", "3.5").
std::string number(double value);

// The body of one student's audit, its top headings at `level` + 1, every
// id it writes prefixed with `id_prefix` so that several audits can share
// a page.
void append_audit_body(std::string& out, const AuditReport& report,
                       const AuditPageOptions& options, int level, std::string_view id_prefix);

// "S1002 (12 of 15 requirements met)": requirements met (satisfied or
// waived) in a report.
std::size_t requirements_met(const AuditReport& report);
unsigned items_missing(const AuditReport& report);

}  // namespace jrl::audit_page
