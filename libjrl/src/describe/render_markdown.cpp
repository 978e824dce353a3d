// The Markdown rendering: the title and sections as headings, each
// statement under its description with its lists as Markdown lists.
#include <string>
#include <string_view>

#include "describe/description.hpp"

namespace jrl::wording {
namespace {

// Text with every character Markdown could read as markup escaped (our own
// words start every line, so marks that count only there need nothing).
std::string escaped(std::string_view text) {
  static constexpr std::string_view SPECIAL = "\\`*_[]<>#|~&";
  std::string out;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      out += ' ';
      continue;
    }
    if (SPECIAL.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string markdown_words(const Words& words) {
  switch (words.mark) {
    case Mark::course:
      return "**" + escaped(words.text).append("**");
    case Mark::name:
      return "*" + escaped(words.text).append("*");
    case Mark::plain:
    case Mark::title:
      break;
  }
  return escaped(words.text);
}

// An item of a list at `indent`: its first words after "- ", what follows
// under them.
void item_lines(std::string& out, const Clause& item, const std::string& indent) {
  for (const Part& part : item) {
    const std::string words = write_words(part.words, markdown_words);
    if (&part == &item.front()) {
      append(out, {indent, "- ", words, "\n"});
    } else if ((&part)[-1].items.empty()) {
      out.pop_back();  // runs on after the words before it
      append(out, {", ", words, "\n"});
    } else {
      append(out, {indent, "  ", words, "\n"});
    }
    for (const Clause& sub : part.items) item_lines(out, sub, indent + "  ");
  }
}

void write_section(std::string& out, const Section& section) {
  const std::string_view title = section.heading, note = section.note;
  const std::vector<Statement>& list = *section.statements;
  append(out, {"## ", title, "\n\n"});
  if (!note.empty()) append(out, {escaped(note), "\n\n"});
  for (const Statement& s : list) {
    append(out, {"### ", escaped(s.heading), "\n\n"});
    if (s.priority) append(out, {"*Priority ", std::to_string(*s.priority), "*\n\n"});
    // Parts run on in one paragraph until a list ends it.
    bool open = false;
    for (const Part& part : s.sentence) {
      if (open) out += ", ";
      out += write_words(part.words, markdown_words);
      open = part.items.empty();
      if (!open) {
        out += "\n\n";
        for (const Clause& item : part.items) item_lines(out, item, "");
        out += '\n';
      }
    }
    if (open) out += ".\n\n";
  }
}

}  // namespace

std::string render_markdown(const Description& d) {
  std::string out;
  if (!d.title.empty()) append(out, {"# ", escaped(d.title), "\n\n"});
  for (const Section& s : sections(d)) write_section(out, s);
  end_lines(out);
  return out;
}

}  // namespace jrl::wording
