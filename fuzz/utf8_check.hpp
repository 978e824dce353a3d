// An independent UTF-8 well-formedness test for the checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jrl::fuzz {

// Decodes every scalar value and rejects overlong forms, surrogates, values
// past U+10FFFF and cut-off sequences.
inline bool is_valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (b0 < 0x80) {
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      n = 2;
      cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
      n = 3;
      cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
      n = 4;
      cp = b0 & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < n) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::uint32_t MIN[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < MIN[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += n;
  }
  return true;
}

}  // namespace jrl::fuzz
