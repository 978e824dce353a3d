// The forty rules of the grammar. Their order is observable: the rule lists
// of a syntax error are sorted by it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace jrl {

enum class Rule : std::uint8_t {
  EOI,
  WHITESPACE,
  COMMENT,
  select,
  limit,
  from,
  quantity_single,
  quantity_many,
  quantity,
  class_,
  placement,
  tag,
  range,
  tag_dept,
  dist,
  dist_dept,
  range_dist,
  range_tag,
  bad_query,
  query_name,
  string,
  department_id_char,
  bad_department_id,
  department_id,
  class_id,
  class_argument,
  query_argument,
  lpar,
  rpar,
  XYZ,
  selector_list,
  selector_single,
  selector,
  semicolon,
  statement,
  sep,
  description,
  priority,
  special_statement,
  file,
};

// One name per rule, in enumeration order; `file` is the last rule.
inline constexpr auto RULE_NAMES = std::to_array<std::string_view>({
    "EOI",          "WHITESPACE",      "COMMENT",
    "select",       "limit",           "from",
    "quantity_single", "quantity_many", "quantity",
    "class",        "placement",       "tag",
    "range",        "tag_dept",        "dist",
    "dist_dept",    "range_dist",      "range_tag",
    "bad_query",    "query_name",      "string",
    "department_id_char", "bad_department_id", "department_id",
    "class_id",     "class_argument",  "query_argument",
    "lpar",         "rpar",            "XYZ",
    "selector_list", "selector_single", "selector",
    "semicolon",    "statement",       "sep",
    "description",  "priority",        "special_statement",
    "file",
});

inline constexpr std::size_t RULE_COUNT =
    static_cast<std::size_t>(Rule::file) + 1;
static_assert(RULE_NAMES.size() == RULE_COUNT,
              "RULE_NAMES needs exactly one name per Rule");
static_assert(RULE_NAMES.front() == "EOI" && RULE_NAMES.back() == "file",
              "RULE_NAMES must follow the order of Rule");

// The rule's name as the grammar spells it (`class`, not `class_`).
constexpr std::string_view rule_name(Rule rule) {
  return RULE_NAMES[static_cast<std::size_t>(rule)];
}

// The name a user reads in an error report.
constexpr std::string_view rule_display_name(Rule rule) {
  switch (rule) {
    case Rule::quantity_single:
      return "quantity (u16)";
    case Rule::quantity:
      return "quantity: (single: u16) or (multiple: u16-u16)";
    case Rule::class_:
      return "<CLASS> primitive";
    case Rule::string:
      return "<STRING> primitive";
    case Rule::department_id:
      return "department id (4-symbols)";
    case Rule::class_id:
      return "class id (4-digit int)";
    case Rule::query_argument:
      return "query argument (<CLASS> or <STRING> primitives)";
    case Rule::lpar:
      return "(";
    case Rule::rpar:
      return ")";
    case Rule::semicolon:
      return ";";
    default:
      return rule_name(rule);
  }
}

}  // namespace jrl
