// Unicode properties: how the debug text escapes a character, and how many
// terminal cells a character takes when reports are lined up.
#pragma once

namespace jrl::unicode {

// Grapheme_Extend (combining marks and the like).
bool is_grapheme_extend(char32_t c);
// Not of general category Cc, Cf, Cs, Co, Cn, Zl, Zp, or Zs other than U+0020.
bool is_printable(char32_t c);
// Terminal cells: 2 for East Asian Width W or F, 0 for general category Mn,
// Me or Cf, else 1.
int cell_width(char32_t c);

}  // namespace jrl::unicode
