// How text is escaped inside a JSON string: the one table the JSON output
// and `json_string` share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace jrl::json {

// For each byte: 0 when it is copied as is, else the letter that follows the
// backslash in its escape ('u' for the `\u00XX` form).
inline constexpr std::array<char, 256> ESCAPE = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = 'u';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}();

// For each byte: how many bytes its escape adds to the byte itself.
inline constexpr std::array<std::uint8_t, 256> ESCAPE_EXTRA = [] {
  std::array<std::uint8_t, 256> extra{};
  for (std::size_t c = 0; c < extra.size(); ++c) {
    if (ESCAPE[c] != 0) extra[c] = ESCAPE[c] == 'u' ? 5 : 1;
  }
  return extra;
}();

// Writes the escape of `byte` at `w`, which has room for six bytes.
inline char* write_escape(char* w, unsigned char byte) {
  constexpr char HEX_DIGITS[] = "0123456789abcdef";
  const char letter = ESCAPE[byte];
  *w++ = '\\';
  *w++ = letter;
  if (letter == 'u') {
    *w++ = '0';
    *w++ = '0';
    *w++ = HEX_DIGITS[byte >> 4];
    *w++ = HEX_DIGITS[byte & 0xf];
  }
  return w;
}

}  // namespace jrl::json
