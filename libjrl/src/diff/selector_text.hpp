// Requirements written out from the model in one canonical form, so that two
// versions of a statement can be compared by what they say: a function in
// capitals with its arguments separated by ", ", a course as "MATH 1200" or
// "PHYS 1100L", a string quoted with its quotes doubled, a list in brackets
// (a single selector without), a quantity as "3" or "2-4".
#pragma once

#include <string>
#include <string_view>

#include "jrl/model.hpp"

namespace jrl::diffing {

// A string as a requirements file quotes it: "The ""global"" requirement".
std::string string_text(std::string_view text);
std::string quantity_text(const Quantity& quantity);
std::string query_text(const JRLQuery& query);
std::string selector_text(const Selector& selector);
// "SELECT" or "LIMIT".
std::string type_text(JRLQueryType type);

}  // namespace jrl::diffing
