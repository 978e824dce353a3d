// Which grammar rule reads which selector function: the rule named as the
// function in lower case (`range_tag` reads RANGE_TAG).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "jrl/selector_functions.hpp"
#include "language/rule.hpp"
#include "text/char_classes.hpp"

namespace jrl {
namespace function_rules {

constexpr bool same_lowered(std::string_view rule, std::string_view name) {
  if (rule.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (rule[i] != chars::to_lower(name[i])) return false;
  }
  return true;
}

// For each rule, the row of its function, or NONE.
inline constexpr std::size_t NONE = selector_functions().size();
inline constexpr std::array<std::size_t, RULE_COUNT> ROWS = [] {
  std::array<std::size_t, RULE_COUNT> rows{};
  for (std::size_t r = 0; r < RULE_COUNT; ++r) {
    rows[r] = NONE;
    for (std::size_t f = 0; f < selector_functions().size(); ++f) {
      if (same_lowered(RULE_NAMES[r], selector_functions()[f].name)) {
        rows[r] = f;
      }
    }
  }
  return rows;
}();

consteval bool every_function_has_a_rule() {
  for (std::size_t f = 0; f < selector_functions().size(); ++f) {
    std::size_t rules = 0;
    for (std::size_t row : ROWS) rules += row == f ? 1 : 0;
    if (rules != 1) return false;
  }
  return true;
}
static_assert(every_function_has_a_rule(),
              "each selector function needs the grammar rule of its name");

}  // namespace function_rules

// The function that `rule` reads, or null for a rule that reads none.
constexpr const SelectorFunction* function_of_rule(Rule rule) {
  const std::size_t row = function_rules::ROWS[static_cast<std::size_t>(rule)];
  return row == function_rules::NONE ? nullptr : &selector_functions()[row];
}

}  // namespace jrl
