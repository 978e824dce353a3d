// Reading unsigned 16-bit decimal numbers (quantities, priorities, course
// numbers).
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl {

// Leading zeros are allowed and one leading '+' is skipped when more text
// follows. Fails with a conversion error: "cannot parse integer from empty
// string", "invalid digit found in string" or "number too large to fit in
// target type" (with 65535 as its bound). Its fault is `fault`, which says
// which number of a file is read (a quantity, a priority, a course number).
std::expected<std::uint16_t, Error> parse_u16(std::string_view text,
                                              Fault fault);

}  // namespace jrl
