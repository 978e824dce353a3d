#include "jrl/departments.hpp"

#include "suggest/closest_string.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl {

std::span<const std::string_view> departments() {
  return wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST.get();
}

std::optional<std::string_view> closest_department(std::string_view code) {
  if (wexmoor_departments::is_department(code)) return std::nullopt;
  return closest_string::closest_string(code, departments());
}

}  // namespace jrl
