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

// The registered code most like `code`, as the report of an unknown
// department names it ("Did you mean: X"), for an editor or a fix to put in
// its place; none when `code` is registered, and none when the closest is
// one of the registry's shorter codes, which no course in a file can name.
std::optional<std::string_view> closest_department(std::string_view code);

}  // namespace jrl
