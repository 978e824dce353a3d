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

// The registered code most like `code` that a file can hold (a
// four-character one), for an editor or a fix to put in its place; none when
// `code` is registered. The report of an unknown department names the code
// most like it among all registered ones ("Did you mean: X"), which may be
// one of the registry's shorter codes that no course in a file can name.
std::optional<std::string_view> closest_department(std::string_view code);

}  // namespace jrl
