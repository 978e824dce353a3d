// Validation of UTF-8 input before it reaches the parser, so a bad byte is
// named by its offset rather than surfacing as a confusing syntax error.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace jrl::cli {

// The first byte that does not begin a well-formed UTF-8 sequence (an
// overlong form, a surrogate, a value past U+10FFFF, a stray continuation
// byte or a sequence cut short), with its place as a user counts it.
struct Utf8Fault {
  std::size_t offset = 0;  // byte offset of the sequence's first byte
  unsigned char byte = 0;  // the byte found there
  std::size_t line = 1;    // from 1; a line feed starts a new line
  std::size_t column = 1;  // from 1, in characters
};

std::optional<Utf8Fault> find_invalid_utf8(std::string_view text);

// Length of the well-formed sequence starting at `offset`, or 0 when the
// bytes there are not one.
std::size_t utf8_sequence_length(std::string_view text, std::size_t offset);

}  // namespace jrl::cli
