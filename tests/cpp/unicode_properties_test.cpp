#include <gtest/gtest.h>

#include "text/unicode_properties.hpp"

namespace jrl::unicode {
namespace {

TEST(UnicodeProperties, Samples) {
  const struct {
    char32_t code_point;
    bool grapheme_extend;
    bool printable;
  } cases[] = {
      {0x0000, false, false},    // Cc
      {0x001F, false, false},    // Cc
      {0x0020, false, true},     // the space is printable
      {0x0041, false, true},     // A
      {0x007E, false, true},     // ~
      {0x007F, false, false},    // Cc
      {0x0085, false, false},    // Cc
      {0x009F, false, false},    // Cc
      {0x00A0, false, false},    // Zs
      {0x00A1, false, true},     // Po
      {0x00AD, false, false},    // Cf
      {0x00E9, false, true},     // é
      {0x00FF, false, true},     // ÿ
      {0x0100, false, true},     // Ā
      {0x02FF, false, true},     // Lm
      {0x0300, true, true},      // Mn, first grapheme extender
      {0x0301, true, true},      // Mn
      {0x036F, true, true},      // Mn
      {0x0370, false, true},     // Lu
      {0x0378, false, false},    // Cn
      {0x0488, true, true},      // Me
      {0x0600, false, false},    // Cf
      {0x09BE, true, true},      // Mc with Other_Grapheme_Extend
      {0x1680, false, false},    // Zs
      {0x200B, false, false},    // Cf
      {0x200C, true, false},     // Cf with Other_Grapheme_Extend
      {0x200D, false, false},    // Cf
      {0x2028, false, false},    // Zl
      {0x2029, false, false},    // Zp
      {0x3000, false, false},    // Zs
      {0x4E00, false, true},     // first of a First/Last range
      {0x9FFF, false, true},     // last of that range
      {0xAC00, false, true},     // Hangul syllable
      {0xD7A3, false, true},     // last Hangul syllable
      {0xD7A4, false, false},    // Cn
      {0xD800, false, false},    // Cs
      {0xDFFF, false, false},    // Cs
      {0xE000, false, false},    // Co
      {0xF8FF, false, false},    // Co
      {0xF900, false, true},     // Lo
      {0xFE0F, true, true},      // variation selector
      {0xFEFF, false, false},    // Cf
      {0xFFFD, false, true},     // So
      {0xFFFE, false, false},    // Cn
      {0xFFFF, false, false},    // Cn
      {0x1F3FB, false, true},    // emoji modifier, not Grapheme_Extend
      {0x1F600, false, true},    // emoji
      {0x2FFFF, false, false},   // Cn
      {0x30000, false, true},    // CJK extension G
      {0x323AF, false, true},    // last of CJK extension H
      {0x323B0, false, false},   // Cn
      {0xE0001, false, false},   // Cf
      {0xE0020, true, false},    // Cf with Other_Grapheme_Extend
      {0xE01EF, true, true},     // last grapheme extender
      {0xE01F0, false, false},   // Cn
      {0x10FFFD, false, false},  // Co
      {0x10FFFF, false, false},  // Cn
      {0x110000, false, false},  // past the last code point
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "U+" << std::hex << static_cast<unsigned>(c.code_point));
    EXPECT_EQ(is_grapheme_extend(c.code_point), c.grapheme_extend);
    EXPECT_EQ(is_printable(c.code_point), c.printable);
  }
}

TEST(UnicodeProperties, CellWidth) {
  const struct {
    char32_t code_point;
    int cells;
  } cases[] = {
      {0x0041, 1},    // A
      {0x00E9, 1},    // é, precomposed
      {0x0300, 0},    // combining grave accent (Mn)
      {0x0378, 1},    // unassigned outside the wide blocks
      {0x0488, 0},    // Me
      {0x0600, 0},    // Cf
      {0x1100, 2},    // Hangul choseong, wide
      {0x200B, 0},    // zero width space (Cf)
      {0x3000, 2},    // ideographic space (F)
      {0x4E00, 2},    // CJK ideograph
      {0x9FFF, 2},    // last of the CJK block
      {0xAC00, 2},    // Hangul syllable
      {0xFF21, 2},    // fullwidth A
      {0xFF61, 1},    // halfwidth ideographic full stop
      {0xFE0F, 0},    // variation selector (Mn)
      {0x1F600, 2},   // emoji
      {0x2A6E0, 2},   // unassigned in plane 2: wide by default
      {0x3FFFD, 2},   // last of plane 3
      {0xE0080, 1},   // unassigned in plane 14
      {0x10FFFF, 1},  // unassigned
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "U+" << std::hex << static_cast<unsigned>(c.code_point));
    EXPECT_EQ(cell_width(c.code_point), c.cells);
  }
}

}  // namespace
}  // namespace jrl::unicode
