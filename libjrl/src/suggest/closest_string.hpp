// Choosing the most similar word for a "Did you mean" suggestion.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace jrl::closest_string {

// Jaro-Winkler similarity of two texts over their code points, case-sensitive.
// A byte that is not valid UTF-8 counts as one character of its own.
double jaro_winkler(std::string_view a, std::string_view b);

// The candidate most similar to `target`, compared without regard to ASCII
// case, by the Jaro-Winkler score truncated to thousandths; among equal
// scores the later candidate wins. Returns the candidate itself, or nothing
// for an empty candidate list.
std::optional<std::string_view> closest_string(
    std::string_view target, std::span<const std::string_view> candidates);

template <std::size_t N>
std::optional<std::string_view> closest_string(
    std::string_view target,
    const std::array<std::string_view, N>& candidates) {
  return closest_string(target, std::span<const std::string_view>(candidates));
}

}  // namespace jrl::closest_string
