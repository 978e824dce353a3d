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
// target type".
std::expected<std::uint16_t, Error> parse_u16(std::string_view text);

}  // namespace jrl
