// A programme in plain words, before it is rendered: the sentences the
// builder makes of the model, which the text, Markdown and HTML renderings
// lay out each in their own way.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "jrl/describe.hpp"

namespace jrl {

class Catalogue;

namespace wording {

// A run of words, marked by what it names so that a rendering can set it
// apart (a course code in bold, a tag in italics).
enum class Mark : std::uint8_t { plain, course, title, name };

struct Words {
  Mark mark = Mark::plain;
  std::string text;
};

struct Part;

// One item of a list, or a whole statement: its parts in reading order.
using Clause = std::vector<Part>;

// Words, and the items they introduce ("Take two of:" and the courses).
struct Part {
  std::vector<Words> words;
  std::vector<Clause> items;
  // Whether the items are alternatives, read with "or" before the last.
  bool alternatives = false;
};

struct Statement {
  std::string heading;  // the description, as written
  std::optional<std::uint16_t> priority;  // requirements with one but 1
  Clause sentence;
};

struct Description {
  std::string title;
  std::vector<Statement> requirements;
  std::vector<Statement> limits;
  // Whether any requirement has a priority, so that the note on what
  // priorities mean is given.
  bool priorities = false;
};

// What the renderings say beside the sentences.
inline constexpr std::string_view REQUIREMENTS_HEADING = "Requirements";
inline constexpr std::string_view LIMITS_HEADING = "Limits";
inline constexpr std::string_view PRIORITY_NOTE =
    "When a course could count towards more than one requirement, the audit "
    "fills requirements with a higher priority first; a requirement without a "
    "priority has priority 1.";
inline constexpr std::string_view LIMITS_NOTE =
    "A limit holds across the whole programme: courses beyond it count "
    "towards no requirement.";

// One section of a page: the requirements, or the limits.
struct Section {
  std::string_view heading;
  std::string_view note;  // said once under the heading; may be empty
  const std::vector<Statement>* statements;
};

// The sections in page order, those without a statement left out.
inline std::vector<Section> sections(const Description& d) {
  std::vector<Section> out;
  if (!d.requirements.empty()) {
    out.push_back({REQUIREMENTS_HEADING, d.priorities ? PRIORITY_NOTE : "", &d.requirements});
  }
  if (!d.limits.empty()) out.push_back({LIMITS_HEADING, LIMITS_NOTE, &d.limits});
  return out;
}

// Ends a text of lines and blank lines with one line feed.
inline void end_lines(std::string& out) {
  while (out.size() > 1 && out.ends_with("\n\n")) out.pop_back();
}

// The sentence of one statement.
Clause sentence(const JRLRequirement& requirement, const Catalogue* catalogue);

// The whole file.
Description description(const JRLQueryFile& file, const Catalogue* catalogue,
                        std::string title);

// `n` in words up to ten, in digits beyond ("three", "12").
std::string number_words(std::size_t n);

// The renderings.
std::string render_text(const Description& description);
std::string render_markdown(const Description& description);
std::string render_html(const Description& description);

// Appends the pieces in turn (a chain of `+` on strings makes GCC 12 warn
// wrongly of overlapping copies).
inline void append(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view piece : pieces) out.append(piece);
}

// How a rendering writes a run of words (escaped, and set apart by its
// mark).
using WriteWords = std::string (*)(const Words& words);

std::string write_words(const std::vector<Words>& words, WriteWords write);

// Whether no item of the clause lists items of its own: it reads well on
// one line.
bool flat(const Clause& clause);

// The clause on one line, its lists inline (a nested list in parentheses),
// without the full stop.
std::string inline_text(const Clause& clause, WriteWords write);

// A statement's last words take a full stop unless a list ends it.
bool ends_in_words(const Clause& clause);

}  // namespace wording
}  // namespace jrl
