#include "failure_report.hpp"

#include "colour.hpp"
#include "jrl/text.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {

std::string failure_report(std::string_view file, const Error& error,
                           bool colour) {
  return error_label(colour) + ": could not parse " + escape_controls(file) +
         "\n" + error.render(terminal_style(file, colour, false)) + "\n";
}

}  // namespace jrl::cli
