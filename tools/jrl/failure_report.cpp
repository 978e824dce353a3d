#include "failure_report.hpp"

#include "colour.hpp"

namespace jrl::cli {
namespace {

std::string hex_byte(unsigned char byte) {
  constexpr char digits[] = "0123456789abcdef";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0xF];
}

}  // namespace

std::string failure_report(std::string_view file, const Error& error,
                           bool colour) {
  std::string chain = error.render(file);
  if (colour) chain = highlight_report(chain);
  return error_label(colour) + ": could not parse " + std::string(file) + "\n" +
         chain + "\n";
}

std::string utf8_failure_report(std::string_view file, const Utf8Fault& fault,
                                bool colour) {
  return error_label(colour) + ": " + std::string(file) +
         " is not valid UTF-8: invalid byte " + hex_byte(fault.byte) +
         " at byte offset " + std::to_string(fault.offset) + " (line " +
         std::to_string(fault.line) + ", column " +
         std::to_string(fault.column) + ")\n";
}

}  // namespace jrl::cli
