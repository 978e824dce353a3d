#include "terminal_text.hpp"

namespace jrl::cli {

ReportStyle terminal_style(std::string_view path, bool colour, bool align) {
  ReportStyle style;
  style.path = path;
  style.escape_controls = true;
  style.window = REPORT_LINE_WIDTH;
  style.window_before = REPORT_CONTEXT_BEFORE;
  style.display_width = align;
  style.colour = colour;
  return style;
}

}  // namespace jrl::cli
