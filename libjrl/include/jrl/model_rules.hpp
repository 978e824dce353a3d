// The rules a model keeps when it comes from a file, as the parser checks
// them: for code that builds models by hand (the Python records) and must
// refuse what the parser refuses, in the parser's own words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace jrl::model_rules {

inline constexpr std::string_view MALFORMED_DEPARTMENT =
    "departments must be 4 uppercase ASCII character symbols";
// A report adds " (Did you mean: CODE)".
inline constexpr std::string_view UNKNOWN_DEPARTMENT =
    "this department does not exist in Wexmoor's course catalog";
inline constexpr std::string_view ZERO_QUANTITY = "cannot select zero";
inline constexpr std::string_view RANGE_FROM_ZERO =
    "cannot select a range starting from zero on a top-level SELECT";
inline constexpr std::string_view NESTED_LIMIT =
    "LIMIT must be a top-level query";
inline constexpr std::string_view NUMBER_TOO_LARGE =
    "number too large to fit in target type";

// "for any SELECT n-k statements, k>=n must be true. HIGH<LOW".
std::string reversed_range(std::uint32_t low, std::uint32_t high);

// "queries nested deeper than N levels are not supported".
std::string nesting_too_deep();

// A code of the shape a file can write: four of "A"-"Z" and "&".
bool well_formed_department(std::string_view code);

// A code of the registry (of any length).
bool registered_department(std::string_view code);

}  // namespace jrl::model_rules
