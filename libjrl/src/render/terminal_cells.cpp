#include "render/terminal_cells.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "jrl/text.hpp"
#include "text/utf8.hpp"

namespace jrl::render {
namespace {

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

}  // namespace

std::pair<Cell, std::size_t> cell_at(std::string_view text, std::size_t pos,
                                     bool escape) {
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
  } else if (!escape) {
    // Shown as it is.
  } else if (c < 0x20 || c == 0x7F) {
    cell.shown = escapes().controls[c == 0x7F ? 0x20 : c];
  } else {
    cell.shown = escapes().c1[c - 0x80];
    cell.width = cell.shown.size();
  }
  return {cell, length};
}

}  // namespace jrl::render

namespace jrl {
namespace {

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
    auto [cell, length] = render::cell_at(text, pos, true);
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

}  // namespace jrl
