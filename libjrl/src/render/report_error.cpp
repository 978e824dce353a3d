// Report errors: where in the input a fault lies, and the lines it shows.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "jrl/error.hpp"
#include "line_cursor.hpp"
#include "text/utf8.hpp"

namespace jrl {
namespace {

bool is_line_break(char c) { return c == '\n' || c == '\r'; }

// The input line from `line_start` through the first line feed at or after
// `pos` (or to the input end).
std::string_view line_at(std::string_view input, std::size_t line_start,
                         std::size_t pos) {
  std::size_t stop = input.size();
  if (pos < input.size()) {
    const void* lf = std::memchr(input.data() + pos, '\n', input.size() - pos);
    if (lf != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char*>(lf) -
                                      input.data()) +
             1;
    }
  }
  return input.substr(line_start, stop - line_start);
}

// Line breaks made visible, so a report about one can point at it.
// Both shapers below also show each ill-formed UTF-8 sequence as U+FFFD, so
// a report's text is always well-formed.
std::string visualize_breaks(std::string_view raw) {
  const std::string line = utf8::replace_invalid(raw);
  std::string out;
  out.reserve(line.size() + 6);
  for (char c : line) {
    if (c == '\r') {
      out += "\u240D";
    } else if (c == '\n') {
      out += "\u240A";
    } else {
      out += c;
    }
  }
  return out;
}

std::string remove_breaks(std::string_view raw) {
  const std::string line = utf8::replace_invalid(raw);
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (!is_line_break(c)) out += c;
  }
  return out;
}

Error out_of_bounds() { return Error::internal("position out of bounds"); }

}  // namespace

std::expected<ReportError, Error> ReportError::at_position(
    std::string_view input, std::size_t position, std::string message) {
  if (position > input.size()) return std::unexpected(out_of_bounds());
  LineCursor cursor;
  cursor.advance_to(input, position);
  const std::string_view raw = line_at(input, cursor.line_start, position);

  ReportError report;
  report.message_ = std::move(message);
  report.start_ = position;
  report.start_line_col_ = cursor.line_col;
  report.line_ = position < input.size() && is_line_break(input[position])
                    ? visualize_breaks(raw)
                    : remove_breaks(raw);
  return report;
}

std::expected<ReportError, Error> ReportError::over_span(std::string_view input,
                                                         std::size_t start,
                                                         std::size_t end,
                                                         std::string message) {
  if (start > input.size() || end > input.size()) {
    return std::unexpected(out_of_bounds());
  }
  if (end < start) {
    return std::unexpected(Error::internal("span ends before its start"));
  }
  LineCursor cursor;
  cursor.advance_to(input, start);
  const LineCursor at_start = cursor;

  // The end as shown: a span that ends just after a line break is marked up
  // to the break, one column past the last character of its line.
  if (end > start) {
    cursor.advance_to(input, end - 1);
    LineCursor at_end = cursor;
    at_end.advance_to(input, end);
    if (at_end.line_col.column == 1) {
      cursor.line_col.column += 1;
    } else {
      cursor = at_end;
    }
  }

  const std::string_view text = input.substr(start, end - start);
  const bool breaks_at_edge = !text.empty() && (is_line_break(text.front()) ||
                                                is_line_break(text.back()));
  const std::string_view first =
      line_at(input, at_start.line_start, at_start.pos);

  ReportError report;
  report.message_ = std::move(message);
  report.start_ = start;
  report.end_ = end;
  report.start_line_col_ = at_start.line_col;
  report.end_line_col_ = cursor.line_col;
  report.line_ =
      breaks_at_edge ? visualize_breaks(first) : remove_breaks(first);
  if (cursor.line_col.line > at_start.line_col.line) {
    const std::string_view last = line_at(input, cursor.line_start, cursor.pos);
    report.continued_line_ =
        breaks_at_edge ? utf8::replace_invalid(last) : visualize_breaks(last);
  }
  return report;
}

namespace {

// The byte offset of character `n` of `text` (its size when it has fewer).
std::size_t offset_of_char(std::string_view text, std::size_t n) {
  std::size_t i = 0;
  for (; i < text.size() && n > 0; --n) i += utf8::decode(text, i).length;
  return std::min(i, text.size());
}

}  // namespace

Error Error::with_short_lines(std::size_t longest, std::size_t context) && {
  constexpr std::string_view ELLIPSIS = "...";
  for (ErrorFrame& frame : frames_) {
    if (!frame.report_ || frame.report_->continued_line_) continue;
    ReportError& report = *frame.report_;
    if (report.line_.size() <= longest) continue;
    // Characters [first, last) of the line are kept: the mark and `context`
    // on each side of it.
    const std::size_t mark = report.start_line_col_.column - 1;
    const std::size_t mark_end = report.end_line_col_
                                     ? report.end_line_col_->column - 1
                                     : mark + 1;
    // A cut at the front must leave out more than the "..." it adds.
    const std::size_t first =
        mark > context + ELLIPSIS.size() ? mark - context : 0;
    const std::size_t last = std::max(mark, mark_end) + context;
    const std::string& line = report.line_;
    // Only a line far longer than what is kept is worth cutting.
    if (line.size() <= last - first + 2 * context) continue;
    const std::size_t from = offset_of_char(line, first);
    const std::size_t to =
        from + offset_of_char(std::string_view(line).substr(from), last - first);
    if (first == 0 && to == line.size()) continue;
    std::string piece;
    if (first > 0) piece += ELLIPSIS;
    piece.append(line, from, to - from);
    if (to < line.size()) piece += ELLIPSIS;
    report.line_ = std::move(piece);
    report.column_shift_ = first > 0 ? first - ELLIPSIS.size() : 0;
  }
  return std::move(*this);
}

}  // namespace jrl
