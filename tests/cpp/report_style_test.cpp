// Reports laid out for a terminal: escaped controls, windows around the
// mark, marks lined up by display width, colour.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "jrl/error.hpp"

namespace jrl {
namespace {

const std::string RED = "\x1b[1;31m", BOLD = "\x1b[1m", RESET = "\x1b[0m";

template <class Set>
ReportStyle styled(Set set) {
  ReportStyle style;
  set(style);
  return style;
}

struct StyleCase {
  const char* name;
  Error error;
  ReportStyle style;
  std::string expected;
};

TEST(ReportStyleTest, LaysOutReports) {
  const std::string wide = std::string(120, 'a') + "X" + std::string(179, 'b');
  const StyleCase cases[] = {
      {"escapes widen the lead under them",
       Error::over_span("ab\x1b\xc2\x9bXY", 5, 7, "m"),
       styled([](ReportStyle& s) { s.escape_controls = true; }),
       " --> 1:5\n  |\n1 | ab\u241b\\u{9b}XY\n  |          ^^\n  |\n  = m"},
      {"a long line cut to a window around the mark",
       Error::at_position(wide, 120, "m"),
       styled([](ReportStyle& s) { s.window = 100; }),
       " --> 1:121\n  |\n1 | \u2026" + std::string(40, 'a') + "X" +
           std::string(57, 'b') + "\u2026\n  |  " + std::string(40, ' ') +
           "^---\n  |\n  = m"},
      {"a span cut by the window has no closing mark",
       Error::over_span(wide, 120, 300, "m"),
       styled([](ReportStyle& s) { s.window = 100; }),
       " --> 1:121\n  |\n1 | \u2026" + std::string(40, 'a') + "X" +
           std::string(57, 'b') + "\u2026\n  |  " + std::string(40, ' ') +
           "^" + std::string(57, '-') + "\n  |\n  = m"},
      {"wide characters take two cells",
       Error::over_span("\u6570\u6570XY", 6, 8, "m"),
       styled([](ReportStyle& s) { s.display_width = true; }),
       " --> 1:3\n  |\n1 | \u6570\u6570XY\n  |     ^^\n  |\n  = m"},
      {"path and message escaped",
       Error::at_position("ab", 0, "x\x07y"),
       styled([](ReportStyle& s) {
         s.path = "a\x1b" "b";
         s.escape_controls = true;
       }),
       " --> a\u241b" "b:1:1\n  |\n1 | ab\n  | ^---\n  |\n  = x\u2407y"},
      {"colour in a cause, under its indent",
       Error::wrap("context", Error::over_span("ab", 0, 1, "m")),
       styled([](ReportStyle& s) {
         s.path = "f.jrl";
         s.colour = true;
       }),
       "context\n\nCaused by:\n     --> f.jrl:1:1\n      |\n    1 | ab\n      | " +
           RED + "^" + RESET + "\n      |\n      = " + BOLD + "m" + RESET},
  };
  for (const StyleCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.error.render(c.style), c.expected);
  }
}

}  // namespace
}  // namespace jrl
