#include "jrl/departments.hpp"

#include <vector>

#include "wexmoor_departments/closest_string.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl {
namespace {

// The registered codes a course in a file can name: the four-character
// ones. The grammar reads a department as four symbols, so the registry's
// shorter codes can be suggested but never written.
std::span<const std::string_view> codes_a_file_holds() {
  static const std::vector<std::string_view> codes = [] {
    std::vector<std::string_view> out;
    for (std::string_view code : departments()) {
      if (code.size() == 4) out.push_back(code);
    }
    return out;
  }();
  return codes;
}

}  // namespace

std::span<const std::string_view> departments() {
  return wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST.get();
}

std::optional<std::string_view> closest_department(std::string_view code) {
  if (wexmoor_departments::is_department(code)) return std::nullopt;
  return closest_string::closest_string(code, codes_a_file_holds());
}

}  // namespace jrl
