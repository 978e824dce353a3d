// The HTML rendering: one self-contained page (its style inline, no script,
// nothing fetched) with the title and sections as headings and every list
// as a list, laid out to read on a screen and to print.
#include <string>
#include <string_view>

#include "describe/description.hpp"
#include "text/html_escape.hpp"

namespace jrl::wording {
namespace {

constexpr std::string_view STYLE = R"(:root { color-scheme: light; }
body { margin: 0; color: #1b1b1b; background: #fff;
  font: 16px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
main { max-width: 46rem; margin: 0 auto; padding: 2rem 1.5rem 3rem; }
h1 { font-size: 1.8rem; line-height: 1.25; margin: 0 0 1.5rem; }
h2 { font-size: 1.35rem; margin: 2.25rem 0 .75rem; padding-bottom: .25rem;
  border-bottom: 2px solid #7a1f2b; }
h3 { font-size: 1.05rem; margin: 1.5rem 0 .25rem; }
p { margin: .25rem 0; }
ul { margin: .25rem 0 .5rem; padding-left: 1.5rem; }
li { margin: .1rem 0; }
.note { color: #444; font-style: italic; }
.priority { color: #555; font-size: .9rem; }
.course { font-weight: 600; white-space: nowrap; }
.name { font-style: italic; }
.statement { break-inside: avoid; }
@media print {
  body { font-size: 11pt; }
  main { max-width: none; padding: 0; }
  h2, h3 { break-after: avoid; }
  h2 { border-bottom-color: #000; }
})";

constexpr std::string_view DEFAULT_TITLE = "Programme requirements";

std::string escaped(std::string_view text) { return html_escaped(text); }

std::string html_words(const Words& words) {
  std::string_view kind;
  switch (words.mark) {
    case Mark::course: kind = "course"; break;
    case Mark::title: kind = "title"; break;
    case Mark::name: kind = "name"; break;
    case Mark::plain: return escaped(words.text);
  }
  std::string out;
  append(out, {"<span class=\"", kind, "\">", escaped(words.text), "</span>"});
  return out;
}

void list(std::string& out, const std::vector<Clause>& items);

// The parts of a clause inside a list item: words, then their list.
void item_parts(std::string& out, const Clause& clause) {
  bool first = true;
  for (const Part& part : clause) {
    if (!first) out += (&part)[-1].items.empty() ? ", " : " ";
    first = false;
    out += write_words(part.words, html_words);
    if (!part.items.empty()) list(out, part.items);
  }
}

void list(std::string& out, const std::vector<Clause>& items) {
  out += "<ul>";
  for (const Clause& item : items) {
    out += "<li>";
    item_parts(out, item);
    out += "</li>";
  }
  out += "</ul>\n";
}

void write_section(std::string& out, const Section& section) {
  const std::string_view title = section.heading, note = section.note;
  const std::vector<Statement>& list_of = *section.statements;
  append(out, {"<section>\n<h2>", escaped(title), "</h2>\n"});
  if (!note.empty()) append(out, {"<p class=\"note\">", escaped(note), "</p>\n"});
  for (const Statement& s : list_of) {
    append(out, {"<section class=\"statement\">\n<h3>", escaped(s.heading), "</h3>\n"});
    if (s.priority) {
      append(out, {"<p class=\"priority\">Priority ", std::to_string(*s.priority), "</p>\n"});
    }
    // Parts run on in one paragraph until a list ends it.
    bool open = false;
    for (const Part& part : s.sentence) {
      out += open ? ", " : "<p>";
      out += write_words(part.words, html_words);
      open = part.items.empty();
      if (!open) {
        out += "</p>\n";
        list(out, part.items);
      }
    }
    if (open) out += ".</p>\n";
    out += "</section>\n";
  }
  out += "</section>\n";
}

}  // namespace

std::string render_html(const Description& d) {
  const std::string title = escaped(d.title.empty() ? DEFAULT_TITLE : d.title);
  std::string out;
  append(out, {"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>",
               title, "</title>\n<style>\n", STYLE,
               "\n</style>\n</head>\n<body>\n<main>\n<h1>", title, "</h1>\n"});
  for (const Section& s : sections(d)) write_section(out, s);
  out += "</main>\n</body>\n</html>\n";
  return out;
}

}  // namespace jrl::wording
