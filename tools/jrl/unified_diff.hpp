// A unified diff of two texts, line by line, with three lines of context.
#pragma once

#include <string>
#include <string_view>

namespace jrl::cli {

// Empty when the texts are equal. Both headers name `name`.
std::string unified_diff(std::string_view name, std::string_view before,
                         std::string_view after);

}  // namespace jrl::cli
