// Checking a text without keeping its model, for readers that need to know
// only that it parses (the formatter).
#pragma once

#include <expected>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl {

// Succeeds exactly when `parse(input)` does, and fails with the same error;
// each requirement is built and checked, then dropped.
std::expected<void, Error> check_text(std::string_view input);

}  // namespace jrl
