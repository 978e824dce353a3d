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

// What finding the warnings cost beyond reading the tree: the selectors
// built to compare them, and the bytes of the keys they were compared by.
struct WarningWork {
  std::size_t selectors_built = 0;
  std::size_t key_bytes = 0;
};

// The warnings of `text`, which must parse, in order of position; at most
// `limit`. With `work`, adds what it cost there.
std::vector<Warning> find_warnings(std::string_view text, std::size_t limit,
                                   WarningWork* work = nullptr);

}  // namespace jrl::diagnostics
