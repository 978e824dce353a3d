#include "jrl/model_rules.hpp"

#include <algorithm>

#include "jrl/parse.hpp"
#include "text/char_classes.hpp"
#include "text/number_text.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl::model_rules {

std::string reversed_range(std::uint32_t low, std::uint32_t high) {
  return "for any SELECT n-k statements, k>=n must be true. " +
         number_text::decimal(high) + "<" + number_text::decimal(low);
}

std::string nesting_too_deep() {
  return "queries nested deeper than " +
         number_text::decimal(MAX_NESTING_DEPTH) + " levels are not supported";
}

bool well_formed_department(std::string_view code) {
  return code.size() == 4 && std::ranges::all_of(code, chars::is_department_char);
}

bool registered_department(std::string_view code) {
  return wexmoor_departments::is_department(code);
}

}  // namespace jrl::model_rules
