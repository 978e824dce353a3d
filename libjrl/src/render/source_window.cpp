#include "render/source_window.hpp"

#include <algorithm>
#include <vector>

#include "text/unicode_properties.hpp"
#include "render/terminal_cells.hpp"
#include "text/utf8.hpp"

namespace jrl::render {
namespace {

constexpr std::string_view CUT = "\xE2\x80\xA6";  // …

// `^` marks `width` columns wide; a cut span has no closing `^`.
void append_marks(std::string& out, std::size_t width, bool cut) {
  out.push_back('^');
  if (width <= 1) return;
  out.append(cut ? width - 1 : width - 2, '-');
  if (!cut) out.push_back('^');
}

}  // namespace

MarkedLine windowed(std::string_view source, std::size_t caret,
                    std::string_view marks, bool position,
                    const ReportStyle& style) {
  std::vector<Cell> cells;
  for (std::size_t pos = 0; pos < source.size();) {
    auto [cell, length] = cell_at(source, pos, style.escape_controls);
    cells.push_back(cell);
    pos += length;
  }
  const std::size_t real = cells.size();
  const std::size_t span_end = caret + (position ? 1 : marks.size());
  // Past the line end the marks stand under nothing.
  while (cells.size() < span_end) cells.push_back(Cell{});

  std::size_t total = 0;
  for (const Cell& cell : cells) total += cell.width;
  std::size_t from = 0;
  std::size_t to = cells.size();
  const std::size_t width = style.window;
  if (width != 0 && total > width) {
    std::size_t before = 0;
    from = caret;
    while (from > 0 && before + cells[from - 1].width <= style.window_before) {
      before += cells[--from].width;
    }
    std::size_t used = from > 0 ? 1 : 0;
    to = from;
    while (to < cells.size() &&
           (to <= caret || used + cells[to].width + 1 <= width)) {
      used += cells[to++].width;
    }
  }

  MarkedLine out;
  if (from > 0) out.line.append(CUT);
  for (std::size_t i = from; i < to && i < real; ++i) {
    out.line.append(cells[i].shown);
  }
  if (to < real) out.line.append(CUT);

  if (from > 0) out.lead.push_back(' ');
  for (std::size_t i = from; i < caret; ++i) {
    if (cells[i].tab) {
      out.lead.push_back('\t');
    } else {
      out.lead.append(cells[i].width, ' ');
    }
  }
  if (position) {
    out.marks = marks;
    return out;
  }
  std::size_t marked = 0;
  const std::size_t shown_end = std::min(span_end, to);
  for (std::size_t i = caret; i < shown_end; ++i) marked += cells[i].width;
  append_marks(out.marks, marked, shown_end < span_end);
  return out;
}

std::string windowed_line(std::string_view source, const ReportStyle& style) {
  std::string out;
  std::size_t used = 0;
  for (std::size_t pos = 0; pos < source.size();) {
    auto [cell, length] = cell_at(source, pos, style.escape_controls);
    const bool last = pos + length == source.size();
    if (!last && style.window != 0 && used + cell.width + 1 > style.window) {
      out.append(CUT);
      return out;
    }
    out.append(cell.shown);
    used += cell.width;
    pos += length;
  }
  return out;
}

std::string aligned_lead(std::string_view shown_line, std::size_t lead) {
  std::string out;
  for (std::size_t i = 0; i < shown_line.size() && lead > 0; --lead) {
    const utf8::Decoded c = utf8::decode(shown_line, i);
    if (c.code_point == '\t') {
      out.push_back('\t');
    } else {
      out.append(static_cast<std::size_t>(unicode::cell_width(c.code_point)),
                 ' ');
    }
    i += c.length;
  }
  out.append(lead, ' ');
  return out;
}

}  // namespace jrl::render
