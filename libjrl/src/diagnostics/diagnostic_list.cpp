// Diagnostics from errors and warnings: their codes, places, reports and
// fixes.
#include "diagnostics/diagnostic_list.hpp"

#include <string>
#include <utility>

#include "diagnostics/codes.hpp"
#include "diagnostics/fixes.hpp"
#include "diagnostics/mistake_words.hpp"

namespace jrl::diagnostics {
namespace {

// Fix searches cost a few trial runs of a statement each; past this many
// errors a file needs reading more than fixing.
constexpr std::size_t MAX_FIX_SEARCHES = 20;
// A search parses its statement a few hundred times: in a statement longer
// than this (a generated list of megabytes) that would take minutes, so its
// syntax error comes without suggestions.
constexpr std::size_t MAX_FIX_STATEMENT = std::size_t{64} << 10;

// Source lines longer than this many bytes are shown in the reports after
// the first only around their mark, this many characters on each side.
constexpr std::size_t REPORT_LINE_MAX = 1024;
constexpr std::size_t REPORT_CONTEXT = 100;

// The chain outermost first.
std::vector<const ErrorFrame*> chain_of(const Error& error) {
  std::vector<const ErrorFrame*> chain;
  for (const ErrorFrame& frame : error.frames()) chain.push_back(&frame);
  return chain;
}

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

// The character a position report points at; none at a line break or the
// end of the text.
std::size_t char_length_at(std::string_view text, std::size_t i) {
  if (i >= text.size() || text[i] == '\n' || text[i] == '\r') return 0;
  return char_length(text, i);
}

}  // namespace

Error relocate(const Error& error, std::string_view body, std::size_t origin,
               const LineIndex& lines) {
  const std::vector<const ErrorFrame*> chain = chain_of(error);
  const ErrorFrame& inner = *chain.back();
  std::optional<Error> out;
  if (const ReportError* report = inner.report()) {
    std::optional<std::size_t> end;
    if (report->end()) end = *report->end() + origin;
    out = report_in(body, lines, report->start() + origin, end,
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

bool unreadable(const Error& error) {
  const std::string_view code = code_of(error);
  return code == "JRL001" || code == "JRL002";
}

std::optional<std::size_t> position_of(const Error& error) {
  if (const ReportError* report = error.innermost().report()) {
    return report->start();
  }
  return std::nullopt;
}

std::optional<TextEdit> DiagnosticList::add_error(
    const Error& error, const Segment& segment, std::optional<ByteSpan> place) {
  std::optional<TextEdit> resume;
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
    if (d.code == "JRL010") {
      // Searched for even when fixes are not wanted: the first repair names
      // the mistake and its place.
      const std::size_t pos = report->start() - segment.start;
      std::vector<Repair> repairs;
      if (fix_searches_ < MAX_FIX_SEARCHES &&
          statement.size() <= MAX_FIX_STATEMENT) {
        ++fix_searches_;
        repairs = syntax_repairs(statement, pos);
      }
      const Lead lead = repairs.empty()
                            ? unrepaired_mistake(statement, pos, d.message)
                            : repaired_mistake(statement, repairs.front());
      for (Repair& r : repairs) {
        for (TextEdit& edit : r.suggestion.edits) {
          edit.offset += segment.start;
          edit.end_offset += segment.start;
        }
      }
      if (!repairs.empty() && repairs.front().splits) {
        resume = repairs.front().suggestion.edits.front();
      }
      for (Repair& r : repairs) {
        if (r.offered && options_.suggestions) {
          d.suggestions.push_back(std::move(r.suggestion));
        }
      }
      std::optional<std::size_t> end;
      if (lead.end) end = segment.start + *lead.end;
      lead_with(d, lead.message, segment.start + lead.start, end);
    } else if (options_.suggestions && fix_searches_ < MAX_FIX_SEARCHES) {
      if (auto fix = named_fix(*chain.back(), statement, segment.start)) {
        d.suggestions.push_back(std::move(*fix));
      }
    }
  } else {
    if (!place) {
      place = ByteSpan{segment.start, segment.end};
      if (const auto tokens = token_span(statement)) {
        place = ByteSpan{segment.start + tokens->first,
                         segment.start + tokens->second};
      }
    }
    d.offset = place->start;
    d.end_offset = place->end;
    d.start = lines_.at(d.offset);
    d.end = lines_.at(d.end_offset);
    if (auto words = number_words(chain.back()->detail())) {
      lead_with(d, *words, place->start, place->end);
    }
  }
  for (Suggestion& s : d.suggestions) {
    for (TextEdit& e : s.edits) {
      e.start = lines_.at(e.offset);
      e.end = lines_.at(e.end_offset);
    }
  }
  d.error = error;
  diagnostics_.push_back(std::move(d));
  return resume;
}

void DiagnosticList::lead_with(Diagnostic& d, std::string message,
                               std::size_t start,
                               std::optional<std::size_t> end) const {
  if (end && *end == start) end.reset();
  d.lead = report_in(body_, lines_, start, end, message);
  d.message = std::move(message);
  d.offset = start;
  d.end_offset = end ? *end : start + char_length_at(body_, start);
  d.start = lines_.at(d.offset);
  d.end = lines_.at(d.end_offset);
}

void DiagnosticList::add_warnings(const std::vector<Warning>& warnings) {
  for (const Warning& w : warnings) {
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
    for (Suggestion s : w.fixes) {
      for (TextEdit& e : s.edits) {
        e.start = lines_.at(e.offset);
        e.end = lines_.at(e.end_offset);
      }
      d.suggestions.push_back(std::move(s));
    }
    diagnostics_.push_back(std::move(d));
  }
}

std::vector<Diagnostic> DiagnosticList::take(std::size_t base) && {
  if (base == 0) return std::move(diagnostics_);
  for (Diagnostic& d : diagnostics_) {
    d.offset += base;
    d.end_offset += base;
    for (Suggestion& s : d.suggestions) {
      for (TextEdit& e : s.edits) {
        e.offset += base;
        e.end_offset += base;
      }
    }
    for (Note& n : d.notes) n.offset += base;
  }
  return std::move(diagnostics_);
}

}  // namespace jrl::diagnostics
