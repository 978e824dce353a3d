// diagnose(): the diagnostic of one error of parse, for the cost of reading
// the statement that holds it; and the statements `check` resumes by.
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/diagnostic_list.hpp"
#include "diagnostics/statement_sink.hpp"
#include "diagnostics/tokens.hpp"
#include "jrl/diagnostics.hpp"

namespace jrl {

using namespace diagnostics;

std::string Diagnostic::report_for(std::string_view path) const {
  return error ? error->render(path) : report;
}

Diagnostic diagnose(std::string_view text, const Error& error,
                    const CheckOptions& options) {
  // The text is read as `parse` read it: a byte-order mark is not skipped.
  const LineIndex lines(text);
  DiagnosticList list(text, lines, options);
  if (unreadable(error)) {
    list.add_error(error, Segment{0, 0});
    return std::move(std::move(list).take(0).front());
  }
  const std::optional<std::size_t> place = position_of(error);
  // With a place, only the statements up to it are needed.
  const std::vector<Segment> segments =
      split_statements(text, place.value_or(std::string_view::npos));
  Segment at{0, text.size()};
  std::optional<ByteSpan> where;
  if (place) {
    at = segments[segment_holding(segments, *place)];
  } else {
    // An error without a place is the first failing statement's.
    Reading reading;
    for (const Segment& s : segments) {
      if (auto failure = read_alone(text, s, reading, {})) {
        at = s;
        where = failure->place;
        break;
      }
    }
  }
  list.add_error(error, at, where);
  return std::move(std::move(list).take(0).front());
}

std::vector<ByteSpan> statement_spans(std::string_view text) {
  std::vector<ByteSpan> spans;
  for (const Segment& s : split_statements(text)) {
    spans.push_back({s.start, s.end});
  }
  return spans;
}

}  // namespace jrl
