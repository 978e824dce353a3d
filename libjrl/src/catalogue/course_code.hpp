// A course code as a requirements file writes it: a department code, one
// space, four digits and an optional "L" for a lab ("PHYS 1100L").
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "jrl/model.hpp"

namespace jrl {

// The course `code` names (its department viewing `code`), or none when it
// has not that shape. Whether the department is in the registry is not
// checked.
inline std::optional<Class> read_course_code(std::string_view code) {
  const auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  const bool shape = (code.size() == 9 || (code.size() == 10 && code[9] == 'L')) &&
                     code[4] == ' ' && std::all_of(code.begin() + 5, code.begin() + 9, digit);
  if (!shape) return std::nullopt;
  std::uint16_t number = 0;
  for (std::size_t i = 5; i < 9; ++i) number = static_cast<std::uint16_t>(number * 10 + (code[i] - '0'));
  return Class{code.substr(0, 4), number, code.size() == 10};
}

}  // namespace jrl
