// The UTF-8 module: decoding, the first ill-formed byte, character counts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "text/utf8.hpp"

namespace {

using jrl::utf8::Decoded;

TEST(Utf8, DecodesOneSequence) {
  struct Case {
    std::string_view text;
    Decoded expected;
  };
  const Case cases[] = {
      {"A", {U'A', 1, true}},
      {"\x7f", {0x7F, 1, true}},
      {"\xc2\x80", {0x80, 2, true}},
      {"\xdf\xbf", {0x7FF, 2, true}},
      {"\xe0\xa0\x80", {0x800, 3, true}},
      {"\xed\x9f\xbf", {0xD7FF, 3, true}},
      {"\xee\x80\x80", {0xE000, 3, true}},
      {"\xf0\x90\x80\x80", {0x10000, 4, true}},
      {"\xf4\x8f\xbf\xbf", {0x10FFFF, 4, true}},
      // Ill-formed: U+FFFD over the maximal subpart.
      {"\x80", {0xFFFD, 1, false}},               // lone continuation
      {"\xc0\xaf", {0xFFFD, 1, false}},           // overlong lead
      {"\xe0\x9f\xbf", {0xFFFD, 1, false}},       // overlong three bytes
      {"\xf0\x8f\xbf\xbf", {0xFFFD, 1, false}},   // overlong four bytes
      {"\xed\xa0\x80", {0xFFFD, 1, false}},       // surrogate
      {"\xf4\x90\x80\x80", {0xFFFD, 1, false}},   // past U+10FFFF
      {"\xf5\x80\x80\x80", {0xFFFD, 1, false}},   // no such lead
      {"\xe2\x82", {0xFFFD, 2, false}},           // cut off by the end
      {"\xf0\x9f\x98", {0xFFFD, 3, false}},       // cut off by the end
      {"\xf0\x9f\x98(", {0xFFFD, 3, false}},      // cut off by ASCII
      {"\xe2(\x82", {0xFFFD, 1, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(jrl::utf8::decode(c.text, 0), c.expected);
  }
}

TEST(Utf8, FindsTheFirstIllFormedByte) {
  struct Case {
    std::string_view text;
    std::optional<std::size_t> expected;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"plain ASCII text longer than eight bytes", std::nullopt},
      {"caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80", std::nullopt},
      {"abcdefghijklmnop\x80", 16},                  // lone continuation
      {"\xc3\xa9\x80", 2},                           // continuation too many
      {"ab\xc1\xbf", 2},                             // overlong
      {"abc\xed\xb0\x80", 3},                        // surrogate
      {"abcdefgh\xf4\x90\x80\x80", 8},               // past U+10FFFF
      {"abc\xe2\x82", 3},                            // truncated at the end
      {std::string_view("\0\xc3", 2), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(jrl::utf8::first_invalid(c.text), c.expected);
  }
}

TEST(Utf8, CountsAndReplacesByMaximalSubpart) {
  struct Case {
    std::string_view text;
    std::size_t characters;
    std::string_view replaced;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"caf\xc3\xa9", 4, "caf\xc3\xa9"},
      {"\xf0\x9f\x98\x80!", 2, "\xf0\x9f\x98\x80!"},
      {"a\xffz", 3, "a\xef\xbf\xbdz"},
      {"\xc0\xaf", 2, "\xef\xbf\xbd\xef\xbf\xbd"},
      {"\xed\xa0\x80", 3, "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
      {"\xf0\x9f\x98", 1, "\xef\xbf\xbd"},
      {"\xe2\x82(", 2, "\xef\xbf\xbd("},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(jrl::utf8::count_characters(c.text), c.characters);
    EXPECT_EQ(jrl::utf8::replace_invalid(c.text), c.replaced);
  }
}

}  // namespace
