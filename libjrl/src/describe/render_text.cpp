// The plain-text rendering: headings underlined, each statement's sentence
// indented under its description, on one line where its lists are short
// and as a list of lines where they nest.
#include <string>
#include <string_view>

#include "describe/description.hpp"
#include "jrl/text.hpp"

namespace jrl::wording {
namespace {

std::string plain_words(const Words& words) { return escape_line(words.text); }

// Characters, not bytes, for the underline.
std::size_t width(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

void heading(std::string& out, std::string_view text, char rule) {
  out += text;
  out += '\n';
  out.append(width(text), rule);
  out += "\n\n";
}

// A clause as lines at `indent`, each list item on a line of its own
// ("- "), nested items further in.
void lines(std::string& out, const Clause& clause, const std::string& indent) {
  for (const Part& part : clause) {
    append(out, {indent, write_words(part.words, plain_words), "\n"});
    for (const Clause& item : part.items) {
      if (flat(item)) {
        append(out, {indent, "- ", inline_text(item, plain_words), "\n"});
        continue;
      }
      const std::size_t at = out.size();
      lines(out, item, indent + "  ");
      out.replace(at + indent.size(), 2, "- ");
    }
  }
}

void write_section(std::string& out, const Section& section) {
  const std::string_view title = section.heading, note = section.note;
  const std::vector<Statement>& list = *section.statements;
  heading(out, title, '-');
  if (!note.empty()) append(out, {note, "\n\n"});
  for (const Statement& s : list) {
    out += escape_line(s.heading);
    if (s.priority) append(out, {" (priority ", std::to_string(*s.priority), ")"});
    out += '\n';
    if (flat(s.sentence)) {
      append(out, {"  ", inline_text(s.sentence, plain_words), ".\n"});
    } else {
      lines(out, s.sentence, "  ");
      if (ends_in_words(s.sentence)) {
        out.back() = '.';
        out += '\n';
      }
    }
    out += '\n';
  }
}

}  // namespace

std::string render_text(const Description& d) {
  std::string out;
  if (!d.title.empty()) heading(out, escape_line(d.title), '=');
  for (const Section& s : sections(d)) write_section(out, s);
  end_lines(out);
  return out;
}

}  // namespace jrl::wording
