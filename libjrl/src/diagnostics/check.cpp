// check(): every diagnostic of a file, beside what parse() returns.
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "text/check_text.hpp"
#include "diagnostics/codes.hpp"
#include "diagnostics/fixes.hpp"
#include "diagnostics/tokens.hpp"
#include "diagnostics/warnings.hpp"
#include "jrl/diagnostics.hpp"
#include "jrl/parse.hpp"
#include "language/grammar.hpp"
#include "parser/model_builder.hpp"

namespace jrl {
namespace {

using namespace diagnostics;

constexpr std::string_view BOM = "\xEF\xBB\xBF";
// Fix searches cost a few trial runs of a statement each; past this many
// errors a file needs reading more than fixing.
constexpr std::size_t MAX_FIX_SEARCHES = 20;
// A search parses its statement a few hundred times: in a statement longer
// than this (a generated list of megabytes) that would take minutes, so its
// syntax error comes without suggestions.
constexpr std::size_t MAX_FIX_STATEMENT = std::size_t{64} << 10;

// The chain outermost first.
std::vector<const ErrorFrame*> chain_of(const Error& error) {
  std::vector<const ErrorFrame*> chain;
  for (const ErrorFrame& frame : error.frames()) chain.push_back(&frame);
  return chain;
}

// Source lines longer than this many bytes are shown in the reports after
// the first only around their mark, this many characters on each side.
constexpr std::size_t REPORT_LINE_MAX = 1024;
constexpr std::size_t REPORT_CONTEXT = 100;

// A report over [start, end) of `body` (at `start` alone without an end),
// made over the text from the start of its first line on: a report only
// needs its own lines, and reading `body` from its beginning for each of
// many diagnostics would make checking a long file quadratic. Its line and
// offsets are then moved to their place in `body`. A long line is cut to
// the mark and its surroundings: up to 200 reports on one line of a
// megabytes-long list must not each hold that line.
Error report_in(std::string_view body, const LineIndex& lines,
                std::size_t start, std::optional<std::size_t> end,
                std::string message, FaultDetail detail = {}) {
  const std::size_t window_start = lines.line_start(start);
  const std::string_view window = body.substr(window_start);
  Error error =
      end ? Error::over_span(window, start - window_start, *end - window_start,
                             std::move(message), std::move(detail))
          : Error::at_position(window, start - window_start,
                               std::move(message), std::move(detail));
  return std::move(error)
      .with_short_lines(REPORT_LINE_MAX, REPORT_CONTEXT)
      .moved_by(window_start, lines.at(window_start).line - 1);
}

// Copies `error` with the report of its innermost link moved from the
// statement text (which starts at `shift` in `body`) to the place in
// `body`, so its line text and columns are those of the file.
Error relocate(const Error& error, std::string_view body, std::size_t shift,
               const LineIndex& lines) {
  const std::vector<const ErrorFrame*> chain = chain_of(error);
  const ErrorFrame& inner = *chain.back();
  std::optional<Error> out;
  if (const ReportError* report = inner.report()) {
    std::optional<std::size_t> end;
    if (report->end()) end = *report->end() + shift;
    out = report_in(body, lines, report->start() + shift, end,
                    report->message(), inner.detail());
  } else if (inner.kind() == ErrorKind::conversion) {
    out = Error::conversion(inner.text(), inner.detail());
  } else if (inner.kind() == ErrorKind::internal) {
    out = Error::internal(inner.text());
  } else {
    out = Error::message(inner.text(), inner.detail());
  }
  for (auto link = chain.rbegin() + 1; link != chain.rend(); ++link) {
    out = Error::wrap((*link)->text(), std::move(*out));
  }
  return std::move(*out);
}

// The character a position report points at; none at a line break or the
// end of the text.
std::size_t char_length_at(std::string_view text, std::size_t i) {
  if (i >= text.size() || text[i] == '\n' || text[i] == '\r') return 0;
  return char_length(text, i);
}

bool overflows_u16(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits.size() > 5 || (digits.size() == 5 && digits > "65535");
}

// Where an error without a place lies: the number that does not fit, or
// else the whole statement. Offsets into `statement`.
std::pair<std::size_t, std::size_t> place_of(std::string_view statement,
                                             std::string_view code) {
  const std::vector<Token> tokens = tokenize(statement);
  std::pair<std::size_t, std::size_t> whole{0, statement.size()};
  if (!tokens.empty()) whole = {tokens.front().start, tokens.back().end};
  auto tree = run_grammar(statement);
  if (!tree) return whole;
  std::optional<std::pair<std::size_t, std::size_t>> found;
  const std::function<void(NodeRef)> visit = [&](NodeRef node) {
    if (found) return;
    if (node.rule() == Rule::quantity_single && overflows_u16(node.text())) {
      found = {node.start(), node.end()};
      return;
    }
    for (NodeRef child : node.children()) visit(child);
  };
  ModelArena arena;
  for (NodeRef item : tree->root()->children()) {
    if (item.rule() != Rule::special_statement) continue;
    if (ModelBuilder::parse_requirement(item, arena)) continue;
    // The priority is read first, so its overflow is the one reported.
    const auto priority = item.child(2);
    if (code == "JRL024" && priority) return {priority->start(), priority->end()};
    if (auto statement = item.child(0)) visit(*statement);
    if (found) return *found;
    return {item.start(), item.end()};
  }
  return whole;
}

class Checker {
 public:
  // With `skip_bom`, a byte-order mark at the start is not part of the
  // checked text (as `check` reads files); without it, the text is read as
  // `parse` reads it.
  Checker(std::string_view text, const CheckOptions& options,
          bool skip_bom = true)
      : base_(skip_bom && text.starts_with(BOM) ? BOM.size() : 0),
        body_(text.substr(base_)),
        lines_(body_),
        options_(options) {}

  std::vector<Diagnostic> run() && {
    // Parse's verdict without its model: each requirement is built and
    // dropped, so the check never holds the whole file's model.
    const auto parsed = check_text(body_);
    if (parsed) {
      if (options_.warnings) add_warnings();
      return shift_all();
    }
    const Error& first = parsed.error();
    if (unreadable(first)) {
      add_error(first, Segment{0, 0});
      return shift_all();
    }
    const std::vector<Segment> segments = split_statements(body_);
    const std::optional<std::size_t> place = position_of(first);
    std::optional<std::size_t> first_segment;
    if (place) first_segment = segment_holding(segments, *place);

    struct Found {
      std::size_t segment;
      Error error;
    };
    std::vector<Found> others;
    const std::size_t cap = std::max<std::size_t>(options_.max_diagnostics, 1);
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (first_segment && i == *first_segment) continue;
      // Past the cap the rest need not be looked at.
      if (first_segment && others.size() + 1 >= cap) break;
      const Segment& s = segments[i];
      auto result = parse(body_.substr(s.start, s.end - s.start));
      if (result) continue;
      if (!first_segment) {
        // The first error has no place: it is the first failing statement's.
        first_segment = i;
        continue;
      }
      others.push_back({i, relocate(result.error(), body_, s.start, lines_)});
    }
    const Segment first_at =
        first_segment ? segments[*first_segment] : Segment{0, body_.size()};
    add_error(first, first_at);
    for (const Found& found : others) {
      if (diagnostics_.size() >= cap) break;
      add_error(found.error, segments[found.segment]);
    }
    return shift_all();
  }

  // The diagnostic of `first`, the error `parse` gave for the whole text.
  Diagnostic first_only(const Error& first) && {
    const std::optional<std::size_t> place = position_of(first);
    if (unreadable(first)) {
      add_error(first, Segment{0, 0});
      return std::move(shift_all().front());
    }
    // With a place, only the statements up to it are needed.
    const std::vector<Segment> segments =
        split_statements(body_, place.value_or(std::string_view::npos));
    Segment at{0, body_.size()};
    if (place) {
      at = segments[segment_holding(segments, *place)];
    } else {
      // An error without a place is the first failing statement's.
      for (const Segment& s : segments) {
        if (!parse(body_.substr(s.start, s.end - s.start))) {
          at = s;
          break;
        }
      }
    }
    add_error(first, at);
    return std::move(shift_all().front());
  }

 private:
  // Bytes that are not text, or too many of them: nothing more to read.
  static bool unreadable(const Error& error) {
    const std::string_view code = code_of(error);
    return code == "JRL001" || code == "JRL002";
  }

  static std::optional<std::size_t> position_of(const Error& error) {
    if (const ReportError* report = error.innermost().report()) {
      return report->start();
    }
    return std::nullopt;
  }

  static std::size_t segment_holding(const std::vector<Segment>& segments,
                                     std::size_t pos) {
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (pos < segments[i].end) return i;
    }
    return segments.size() - 1;
  }

  void add_error(const Error& error, const Segment& segment) {
    Diagnostic d;
    d.severity = Severity::error;
    d.code = std::string(code_of(error));
    const std::vector<const ErrorFrame*> chain = chain_of(error);
    d.message = chain.back()->text();
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
      d.context.push_back(chain[i]->text());
    }
    d.report = error.render();
    const std::string_view statement =
        body_.substr(segment.start, segment.end - segment.start);

    if (const ReportError* report = chain.back()->report()) {
      d.offset = report->start();
      d.start = report->start_line_col();
      if (report->end()) {
        d.end_offset = *report->end();
        d.end = *report->end_line_col();
      } else {
        d.end_offset = d.offset + char_length_at(body_, d.offset);
        d.end = d.start;
        if (d.end_offset > d.offset) ++d.end.column;
      }
      if (options_.suggestions && fix_searches_ < MAX_FIX_SEARCHES) {
        if (d.code == "JRL010") {
          if (statement.size() <= MAX_FIX_STATEMENT) {
            ++fix_searches_;
            for (Suggestion& s :
                 syntax_fixes(statement, report->start() - segment.start)) {
              for (TextEdit& edit : s.edits) {
                edit.offset += segment.start;
                edit.end_offset += segment.start;
              }
              d.suggestions.push_back(std::move(s));
            }
          }
        } else if (auto fix =
                       named_fix(*chain.back(), statement, segment.start)) {
          d.suggestions.push_back(std::move(*fix));
        }
      }
    } else {
      const auto [start, end] = place_of(statement, d.code);
      d.offset = segment.start + start;
      d.end_offset = segment.start + end;
      d.start = lines_.at(d.offset);
      d.end = lines_.at(d.end_offset);
    }
    for (Suggestion& s : d.suggestions) {
      for (TextEdit& e : s.edits) {
        e.start = lines_.at(e.offset);
        e.end = lines_.at(e.end_offset);
      }
    }
    d.error = error;
    diagnostics_.push_back(std::move(d));
  }

  void add_warnings() {
    for (Warning& w : find_warnings(body_, options_.max_diagnostics)) {
      Diagnostic d;
      d.severity = Severity::warning;
      d.code = std::string(w.code);
      d.message = w.message;
      d.offset = w.start;
      d.end_offset = w.end;
      Error error = report_in(body_, lines_, w.start, w.end, w.message);
      const ReportError* report = error.report();
      if (report == nullptr) continue;
      d.start = report->start_line_col();
      d.end = *report->end_line_col();
      d.report = error.render();
      d.error = std::move(error);
      if (w.note) {
        d.notes.push_back({*w.note, w.note_offset, lines_.at(w.note_offset)});
      }
      diagnostics_.push_back(std::move(d));
    }
  }

  // Offsets so far count from after the byte-order mark.
  std::vector<Diagnostic> shift_all() {
    if (base_ == 0) return std::move(diagnostics_);
    for (Diagnostic& d : diagnostics_) {
      d.offset += base_;
      d.end_offset += base_;
      for (Suggestion& s : d.suggestions) {
        for (TextEdit& e : s.edits) {
          e.offset += base_;
          e.end_offset += base_;
        }
      }
      for (Note& n : d.notes) n.offset += base_;
    }
    return std::move(diagnostics_);
  }

  std::size_t base_;
  std::string_view body_;
  LineIndex lines_;
  const CheckOptions& options_;
  std::vector<Diagnostic> diagnostics_;
  std::size_t fix_searches_ = 0;
};

}  // namespace

std::string Diagnostic::report_for(std::string_view path) const {
  return error ? error->render(path) : report;
}

std::vector<Diagnostic> check(std::string_view text,
                              const CheckOptions& options) {
  return Checker(text, options).run();
}

Diagnostic diagnose(std::string_view text, const Error& error,
                    const CheckOptions& options) {
  return Checker(text, options, false).first_only(error);
}

std::vector<ByteSpan> statement_spans(std::string_view text) {
  std::vector<ByteSpan> spans;
  for (const Segment& s : split_statements(text)) {
    spans.push_back({s.start, s.end});
  }
  return spans;
}

}  // namespace jrl
