#include "failure_report.hpp"

#include "colour.hpp"

namespace jrl::cli {

std::string failure_report(std::string_view file, const Error& error,
                           bool colour) {
  std::string chain = error.render(file);
  if (colour) chain = highlight_report(chain);
  return error_label(colour) + ": could not parse " + std::string(file) + "\n" +
         chain + "\n";
}

}  // namespace jrl::cli
