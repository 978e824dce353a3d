// UTF-8: the one place that decodes it. Well-formed means the shortest form
// of a scalar value: no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut short.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace jrl::utf8 {

inline constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;
inline constexpr std::string_view REPLACEMENT_TEXT = "\xEF\xBF\xBD";

// One step through a text. For a well-formed sequence, its scalar value and
// its length. For an ill-formed one, `valid` is false, `code_point` is
// U+FFFD and `length` covers its maximal subpart: the longest start of a
// well-formed sequence found there, at least one byte.
struct Decoded {
  char32_t code_point = 0;
  std::size_t length = 0;
  bool valid = false;
  friend bool operator==(const Decoded&, const Decoded&) = default;
};

// Decodes the sequence at `offset`, which must lie inside `text`.
Decoded decode(std::string_view text, std::size_t offset);

// The offset of the first byte that does not begin a well-formed sequence,
// or none when all of `text` is well-formed.
std::optional<std::size_t> first_invalid(std::string_view text);

// Characters in `text`: one per scalar value and one per maximal subpart of
// an ill-formed sequence.
std::size_t count_characters(std::string_view text);

// `text` with each maximal subpart of an ill-formed sequence replaced by
// U+FFFD; well-formed text comes back unchanged.
std::string replace_invalid(std::string_view text);

}  // namespace jrl::utf8
