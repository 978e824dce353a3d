// The text of an error: each report frame's header, source lines, marks and
// message, and the chain of frames around them, laid out in a style.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "jrl/error.hpp"
#include "jrl/text.hpp"
#include "text/number_text.hpp"
#include "render/source_window.hpp"
#include "text/utf8.hpp"

namespace jrl {
namespace {

// `n` right-aligned in `width` columns.
std::string padded_number(std::size_t n, std::size_t width) {
  std::string digits = number_text::decimal(n);
  if (digits.size() >= width) return digits;
  return std::string(width - digits.size(), ' ') + digits;
}

// The marks under `line` from column `start`: blanks (tabs where the line
// has tabs) up to the column, then "^---" for a position or "^", "^^",
// "^-^", ... for a span whose end column is `end`.
struct Underline {
  std::string lead;
  std::string marks;
};
Underline underline(std::string_view line, std::size_t start,
                    std::optional<std::size_t> end) {
  if (end && *end < start) {
    // A span across lines whose last line ends left of where it began.
    std::swap(start, *end);
    start = start > 1 ? start - 1 : 1;
    *end += 1;
  }
  Underline out;
  std::size_t chars_left = start - 1;
  for (std::size_t i = 0; i < line.size() && chars_left > 0;
       i += utf8::decode(line, i).length) {
    out.lead += line[i] == '\t' ? '\t' : ' ';
    --chars_left;
  }
  if (!end) {
    out.marks = "^---";
    return out;
  }
  out.marks = '^';
  if (*end - start > 1) {
    out.marks.append(*end - start - 2, '-');
    out.marks += '^';
  }
  return out;
}

// `text` as `style` shows it: escaped, and painted line by line in `tone`
// when the style has colour.
std::string shown(std::string_view text, const ReportStyle& style,
                  std::optional<Tone> tone = std::nullopt) {
  std::string escaped =
      style.escape_controls ? escape_controls(text) : std::string(text);
  if (!style.colour || !tone) return escaped;
  std::string out;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = escaped.find('\n', begin);
    out += paint(std::string_view(escaped).substr(begin, end - begin), *tone);
    if (end == std::string::npos) return out;
    out += '\n';
    begin = end + 1;
  }
}

// `    0: ` for the first of numbered causes.
std::string cause_number(std::size_t index) {
  const std::string digits = number_text::decimal(index);
  std::string out(digits.size() < 5 ? 5 - digits.size() : 0, ' ');
  out += digits;
  out += ": ";
  return out;
}

}  // namespace

std::string ReportError::render(const ReportStyle& style) const {
  const std::size_t first_line = start_line_col_.line;
  const std::size_t last_line =
      end_line_col_ ? std::max(first_line, end_line_col_->line) : first_line;
  const std::size_t width = number_text::decimal(last_line).size();
  const std::string gutter(width, ' ');

  std::string out = gutter;
  out += "--> ";
  if (!style.path.empty()) {
    out += shown(style.path, style);
    out += ':';
  }
  out += number_text::decimal(first_line);
  out += ':';
  out += number_text::decimal(start_line_col_.column);
  out += '\n' + gutter + " |";

  std::optional<std::size_t> end_column;
  if (end_line_col_) end_column = end_line_col_->column - column_shift_;
  Underline marks =
      underline(line_, start_line_col_.column - column_shift_, end_column);
  const bool plain =
      !style.escape_controls && style.window == 0 && !style.display_width;
  render::MarkedLine first =
      plain ? render::MarkedLine{line_, std::move(marks.lead),
                                 std::move(marks.marks)}
            : render::windowed(line_, marks.lead.size(), marks.marks,
                               !end_line_col_, style);
  if (style.display_width) {
    first.lead = render::aligned_lead(first.line, first.lead.size());
  }

  out += '\n' + padded_number(first_line, width) + " | " + first.line;
  if (continued_line_) {
    if (last_line - first_line > 1) out += '\n' + gutter + " | ...";
    out += '\n' + padded_number(last_line, width) + " | ";
    if (plain) {
      out += *continued_line_;
    } else {
      // A line kept with its line break ends in it.
      std::string_view last = *continued_line_;
      const bool broken = last.ends_with('\n');
      if (broken) last.remove_suffix(1);
      out += render::windowed_line(last, style);
      if (broken) out += '\n';
    }
  }
  out += '\n' + gutter + " | " + first.lead;
  out += style.colour ? paint(first.marks, Tone::error) : first.marks;
  out += '\n' + gutter + " |";
  out += '\n' + gutter + " = " + shown(message_, style, Tone::strong);
  return out;
}

std::string ErrorFrame::own_text(const ReportStyle& style) const {
  if (report_) return report_->render(style);
  return shown(text_, style);
}

std::string Error::render(const ReportStyle& style) const {
  const Frames chain = frames();
  std::string out = chain.front().own_text(style);
  if (chain.size() == 1) return out;

  out += "\n\nCaused by:";
  // Numbers only help once there is more than one cause to tell apart.
  const bool numbered = chain.size() > 2;
  const std::string_view indent = numbered ? "       " : "    ";
  for (std::size_t index = 0; index + 1 < chain.size(); ++index) {
    out += '\n';
    if (numbered) {
      out += cause_number(index);
    } else {
      out += indent;
    }
    // Every line of a multi-line cause stays under its first line.
    for (char c : chain[index + 1].own_text(style)) {
      out += c;
      if (c == '\n') out += indent;
    }
  }
  return out;
}

}  // namespace jrl
