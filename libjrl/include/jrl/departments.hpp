// The department codes of the Wexmoor catalogue, as the parser knows them:
// for editors that complete a code or suggest one.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace jrl {

// Every registered code, in ascending byte order (the registry's own
// order), each once. The views stay valid for the life of the process.
std::span<const std::string_view> departments();

// The code a report suggests for `code` ("Did you mean: X") where a course
// names a department that is not registered; none when `code` is
// registered.
std::optional<std::string_view> closest_department(std::string_view code);

}  // namespace jrl
