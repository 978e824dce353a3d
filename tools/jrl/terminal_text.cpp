#include "terminal_text.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <optional>
#include <vector>

#include "utf8.hpp"

namespace jrl::cli {
namespace {

// One character of a source line as the terminal shows it. Both texts are
// views (into the line, or into the tables of escapes below), so reading a
// long line into cells allocates nothing per character.
struct Cell {
  std::string_view source;  // the character's bytes; empty past the line end
  std::string_view shown;   // what is written for it
  std::size_t width = 1;    // columns it takes
  bool tab = false;
};

constexpr std::string_view CUT = "\xE2\x80\xA6";  // …

// What stands for each C0 control (U+2400 + c) and for DEL (U+2421), and
// for each C1 control (\u{80} to \u{9f}), made once.
struct Escapes {
  std::array<std::string, 0x21> controls;  // index 0x20 is DEL
  std::array<std::string, 0x20> c1;

  Escapes() {
    for (char32_t c = 0; c <= 0x20; ++c) {
      const char32_t picture = c == 0x20 ? 0x2421 : 0x2400 + c;
      controls[c] = {static_cast<char>(0xE0 | (picture >> 12)),
                     static_cast<char>(0x80 | ((picture >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (picture & 0x3F))};
    }
    constexpr char digits[] = "0123456789abcdef";
    for (char32_t c = 0x80; c <= 0x9F; ++c) {
      c1[c - 0x80] =
          std::string("\\u{") + digits[(c >> 4) & 0xF] + digits[c & 0xF] + "}";
    }
  }
};

const Escapes& escapes() {
  static const Escapes table;
  return table;
}

// The cell of the character at `pos`, and its length in bytes.
std::pair<Cell, std::size_t> cell_at(std::string_view text, std::size_t pos) {
  const utf8::Decoded decoded = utf8::decode(text, pos);
  const std::size_t length = std::max<std::size_t>(decoded.length, 1);
  Cell cell;
  cell.source = text.substr(pos, length);
  cell.shown = cell.source;
  const char32_t c = decoded.code_point;
  if (!decoded.valid || (c >= 0x20 && c < 0x7F) || c > 0x9F) {
    return {cell, length};
  }
  if (c == '\t') {
    cell.tab = true;
  } else if (c < 0x20 || c == 0x7F) {
    cell.shown = escapes().controls[c == 0x7F ? 0x20 : c];
  } else {
    cell.shown = escapes().c1[c - 0x80];
    cell.width = cell.shown.size();
  }
  return {cell, length};
}

std::vector<Cell> cells_of(std::string_view text) {
  std::vector<Cell> cells;
  for (std::size_t pos = 0; pos < text.size();) {
    auto [cell, length] = cell_at(text, pos);
    cells.push_back(cell);
    pos += length;
  }
  return cells;
}

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(begin));
      return lines;
    }
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

// A source line of a report: blanks, the line number, " | ", the source.
// Returns where the source begins.
std::optional<std::size_t> source_start(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t digits = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == digits || line.substr(i, 3) != " | ") return std::nullopt;
  return i + 3;
}

// An underline: blanks, "| ", blanks or tabs (one per source character before
// the caret), then the marks. Returns where the lead and the marks begin.
struct Underline {
  std::size_t lead;
  std::size_t marks;
};
std::optional<Underline> underline_of(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  if (line.substr(i, 2) != "| ") return std::nullopt;
  const std::size_t lead = i + 2;
  i = lead;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i == line.size() || line[i] != '^') return std::nullopt;
  for (std::size_t k = i; k < line.size(); ++k) {
    if (line[k] != '^' && line[k] != '-') return std::nullopt;
  }
  return Underline{lead, i};
}

// The " | ..." line between the first and the last line of a long span.
bool is_elision(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  return line.substr(i) == "| ...";
}

// `^` marks `width` columns wide; a cut span has no closing `^`.
void append_marks(std::string& out, std::size_t width, bool cut) {
  out.push_back('^');
  if (width <= 1) return;
  out.append(cut ? width - 1 : width - 2, '-');
  if (!cut) out.push_back('^');
}

// The source line `source` (after `prefix`) and its underline, into `line`
// and `marked`.
void window_pair(std::string_view prefix, std::string_view source,
                 std::string_view underline, const Underline& at,
                 std::string& line, std::string& marked) {
  std::vector<Cell> cells = cells_of(source);
  const std::size_t real = cells.size();
  const std::string_view lead = underline.substr(at.lead, at.marks - at.lead);
  const std::string_view given = underline.substr(at.marks);
  const bool position = given == "^---";
  const std::size_t caret = lead.size();  // one lead character per cell
  const std::size_t span_end = caret + (position ? 1 : given.size());
  // Past the line end the marks stand under nothing.
  while (cells.size() < span_end) cells.push_back(Cell{{}, {}, 1, false});

  std::size_t total = 0;
  for (const Cell& cell : cells) total += cell.width;
  std::size_t from = 0;
  std::size_t to = cells.size();
  if (total > REPORT_LINE_WIDTH) {
    std::size_t before = 0;
    from = caret;
    while (from > 0 && before + cells[from - 1].width <= REPORT_CONTEXT_BEFORE) {
      before += cells[--from].width;
    }
    std::size_t used = from > 0 ? 1 : 0;
    to = from;
    while (to < cells.size() &&
           (to <= caret || used + cells[to].width + 1 <= REPORT_LINE_WIDTH)) {
      used += cells[to++].width;
    }
  }

  line.append(prefix);
  if (from > 0) line.append(CUT);
  for (std::size_t i = from; i < to && i < real; ++i) {
    line.append(cells[i].shown);
  }
  if (to < real) line.append(CUT);

  std::string& out = marked;
  out.append(underline.substr(0, at.lead));
  if (from > 0) out.push_back(' ');
  for (std::size_t i = from; i < caret; ++i) {
    if (cells[i].tab) {
      out.push_back('\t');
    } else {
      out.append(cells[i].width, ' ');
    }
  }
  if (position) {
    out.append(given);
    return;
  }
  std::size_t width = 0;
  const std::size_t shown_end = std::min(span_end, to);
  for (std::size_t i = caret; i < shown_end; ++i) width += cells[i].width;
  append_marks(out, width, shown_end < span_end);
}

// A source line without an underline (the last line of a span across lines):
// escaped, and cut after REPORT_LINE_WIDTH columns.
void window_line(std::string_view prefix, std::string_view source,
                 std::string& out) {
  out.append(prefix);
  std::size_t used = 0;
  for (std::size_t pos = 0; pos < source.size();) {
    auto [cell, length] = cell_at(source, pos);
    const bool last = pos + length == source.size();
    if (!last && used + cell.width + 1 > REPORT_LINE_WIDTH) {
      out.append(CUT);
      return;
    }
    out.append(cell.shown);
    used += cell.width;
    pos += length;
  }
}

// `text` with each control character in its visible form; line feeds kept
// or not.
std::string escaped(std::string_view text, bool keep_line_feeds) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (keep_line_feeds && text[pos] == '\n') {
      out.push_back('\n');
      ++pos;
      continue;
    }
    auto [cell, length] = cell_at(text, pos);
    out.append(cell.shown);
    pos += length;
  }
  return out;
}

}  // namespace

std::string escape_controls(std::string_view text) {
  return escaped(text, true);
}

std::string escape_line(std::string_view text) { return escaped(text, false); }

std::string terminal_report(std::string_view report) {
  const std::vector<std::string_view> lines = lines_of(report);
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out.push_back('\n');
    const std::string_view line = lines[i];
    const std::optional<std::size_t> source = source_start(line);
    if (!source) {
      out.append(escape_controls(line));
      continue;
    }
    // The underline belongs to the first line of a report; the last line of
    // a span across lines (and " | ..." before it) may stand between them.
    std::size_t j = i + 1;
    while (j < lines.size() && j <= i + 2 && !underline_of(lines[j]) &&
           (source_start(lines[j]) || is_elision(lines[j]))) {
      ++j;
    }
    const auto at =
        j < lines.size() ? underline_of(lines[j]) : std::optional<Underline>();
    if (!at) {
      window_line(line.substr(0, *source), line.substr(*source), out);
      continue;
    }
    std::string marked;
    window_pair(line.substr(0, *source), line.substr(*source), lines[j], *at,
                out, marked);
    for (std::size_t k = i + 1; k < j; ++k) {
      out.push_back('\n');
      const std::optional<std::size_t> inner = source_start(lines[k]);
      if (inner) {
        window_line(lines[k].substr(0, *inner), lines[k].substr(*inner), out);
      } else {
        out.append(escape_controls(lines[k]));
      }
    }
    out.push_back('\n');
    out.append(marked);
    i = j;
  }
  return out;
}

}  // namespace jrl::cli
