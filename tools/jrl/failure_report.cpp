#include "failure_report.hpp"

#include "colour.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {

std::string failure_report(std::string_view file, const Error& error,
                           bool colour) {
  // Escaped and cut for the terminal before the colour codes go in.
  std::string chain = terminal_report(error.render(file));
  if (colour) chain = highlight_report(chain);
  return error_label(colour) + ": could not parse " + escape_controls(file) +
         "\n" + chain + "\n";
}

}  // namespace jrl::cli
