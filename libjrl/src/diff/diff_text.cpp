// The comparison for a person: a line per statement added, removed or
// changed, what changed in it, and the courses under it.
#include <string>

#include "diff/selector_text.hpp"
#include "jrl/programme_diff.hpp"
#include "jrl/text.hpp"
#include "text/number_text.hpp"

namespace jrl {
namespace {

using number_text::decimal;

using diffing::string_text;

// The pieces one after the other (GCC 12 warns wrongly of overlap on
// `"literal" + string`).
template <typename... Pieces>
std::string cat(const Pieces&... pieces) {
  std::string out;
  (out.append(std::string_view(pieces)), ...);
  return out;
}

std::string change_text(const StatementChange& change) {
  std::string out;
  for (const std::string& level : change.within) out += cat("in ", level, ": ");
  const std::string from = change.old_value.value_or("");
  const std::string to = change.new_value.value_or("");
  switch (change.kind) {
    case ChangeKind::description:
      return cat(out, "description ", string_text(from), " -> ", string_text(to));
    case ChangeKind::type:
      return cat(out, from, " -> ", to);
    case ChangeKind::quantity:
      return cat(out, "quantity ", from, " -> ", to);
    case ChangeKind::priority:
      return cat(out, "priority ", from, " -> ", to);
    case ChangeKind::selector_removed:
      return cat(out, "- ", from);
    case ChangeKind::selector_added:
      return cat(out, "+ ", to);
  }
  return out;
}

// "[3]", or "[3 -> 4]" when the index changed; lines likewise.
std::string from_to(std::string_view what, std::size_t a, std::size_t b) {
  std::string out(what);
  out += decimal(a);
  if (a != b) out += cat(" -> ", decimal(b));
  return out;
}

class Writer {
 public:
  explicit Writer(DiffTextStyle style) : style_(style) {}

  void listed(char mark, const ListedStatement& s) {
    std::string line = cat("[", decimal(s.index), "] ", string_text(s.description), " (line ",
                           decimal(s.line), "): ", s.statement);
    if (s.priority != 1) line += cat(", priority ", decimal(s.priority));
    head(mark, line);
    if (s.courses) courses("courses", *s.courses, true);
  }

  void changed(const ChangedStatement& s) {
    std::string line = cat(from_to("[", s.old_index, s.new_index), "] ", string_text(s.description),
                           " (", from_to("line ", s.old_line, s.new_line), ")");
    std::string separator = ": ";
    if (s.moved) {
      line += cat(separator, "moved");
      separator = "; ";
    }
    for (const StatementChange& change : s.changes) {
      line += cat(separator, change_text(change));
      separator = "; ";
    }
    head('~', line);
    const std::string_view verb = s.is_limit ? "limited" : "counting";
    if (s.courses_now) courses(cat("courses now ", verb), *s.courses_now, false);
    if (s.courses_no_longer) {
      courses(cat("courses no longer ", verb), *s.courses_no_longer, false);
    }
  }

  std::string take() && { return std::move(out_); }
  void line(std::string_view text) {
    out_ += text;
    out_ += '\n';
  }

 private:
  void head(char mark, std::string_view text) {
    const Tone tone = mark == '+' ? Tone::help : mark == '-' ? Tone::error : Tone::warning;
    const std::string m(1, mark);
    out_ += style_.colour ? paint(m, tone) : m;
    out_ += ' ';
    line(escape_line(text));
  }

  // A list of courses under its statement: one course on the heading's
  // line, more one a line below it; an empty list only when `always`.
  void courses(const std::string& heading, const CourseList& list, bool always) {
    if (list.empty()) {
      if (always) line(cat("  ", heading, ": none"));
      return;
    }
    const auto course = [](const CatalogueCourse* c) { return escape_line(cat(c->code, " ", c->title)); };
    if (list.size() == 1) {
      line(cat("  ", heading, ": ", course(list.front())));
      return;
    }
    line(cat("  ", heading, " (", decimal(list.size()), "):"));
    for (const CatalogueCourse* c : list) line(cat("    ", course(c)));
  }

  DiffTextStyle style_;
  std::string out_;
};

std::string count(std::size_t n, std::string_view what) {
  return cat(decimal(n), " ", what);
}

}  // namespace

std::string diff_text(const ProgrammeDiff& diff, DiffTextStyle style) {
  Writer out(style);
  for (const ListedStatement& s : diff.removed) out.listed('-', s);
  for (const ListedStatement& s : diff.added) out.listed('+', s);
  for (const ChangedStatement& s : diff.changed) out.changed(s);
  const std::size_t statements = diff.unchanged;
  if (diff.empty()) {
    out.line(cat("no change in meaning (",
                 count(statements, statements == 1 ? "statement" : "statements"), " the same)"));
  } else {
    out.line(cat(count(diff.added.size(), "added"), ", ", count(diff.removed.size(), "removed"), ", ",
                 count(diff.changed.size(), "changed"), ", ", count(diff.unchanged, "unchanged")));
  }
  return std::move(out).take();
}

}  // namespace jrl
