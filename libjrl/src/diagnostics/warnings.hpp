// Warnings: statements that parse but cannot mean what they say.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jrl::diagnostics {

struct Warning {
  std::string_view code;
  std::size_t start = 0;  // byte span in the text
  std::size_t end = 0;
  std::string message;
  // A further place, such as the first of two equal selectors.
  std::optional<std::string> note;
  std::size_t note_offset = 0;
};

// The warnings of `text`, which must parse, in order of position; at most
// `limit`.
std::vector<Warning> find_warnings(std::string_view text, std::size_t limit);

}  // namespace jrl::diagnostics
