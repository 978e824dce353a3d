// A report's source lines as a terminal shows them: control characters
// escaped, a long line cut to a window around its mark, and the blanks
// before the mark as wide as the characters above them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl::render {

// A source line with the marks under it.
struct MarkedLine {
  std::string line;   // the source line as shown
  std::string lead;   // the blanks (tabs under tabs) before the marks
  std::string marks;  // "^---" for a position; "^", "^^", "^-^", ... a span
};

// `source` and its marks in `style`: the mark starts under character
// `caret` and, for a span, `marks` (its plain form) reach past the line end
// where the span does. An escaped character takes as many blanks and marks
// as its stand-in has columns; a span cut by the window has no closing `^`.
MarkedLine windowed(std::string_view source, std::size_t caret,
                    std::string_view marks, bool position,
                    const ReportStyle& style);

// A source line without marks (the last line of a span across lines) in
// `style`: escaped, and cut after `style.window` columns.
std::string windowed_line(std::string_view source, const ReportStyle& style);

// `lead` blanks re-made by display width: one blank or tab per character of
// the shown line becomes as many cells as that character takes.
std::string aligned_lead(std::string_view shown_line, std::size_t lead);

}  // namespace jrl::render
