// Unicode properties that decide how the debug text escapes a character.
#pragma once

namespace jrl::unicode {

// Grapheme_Extend (combining marks and the like).
bool is_grapheme_extend(char32_t c);
// Not of general category Cc, Cf, Cs, Co, Cn, Zl, Zp, or Zs other than U+0020.
bool is_printable(char32_t c);

}  // namespace jrl::unicode
