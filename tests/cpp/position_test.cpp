// Places in a text: every count of lines and columns agrees with the one
// rule, ill-formed bytes and byte-order marks included.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/jrl.hpp"
#include "text/utf8.hpp"

namespace jrl {
namespace {

std::string place(const LineCol& at) {
  return std::to_string(at.line) + ":" + std::to_string(at.column);
}

TEST(LineIndex, CountsLinesAndCharacters) {
  const std::string text = "ab\r\n\xC3\xA9x\n\nz";
  const LineIndex lines(text);
  const std::pair<std::size_t, std::string_view> cases[] = {
      {0, "1:1"}, {2, "1:3"}, {3, "1:4"}, {4, "2:1"}, {6, "2:2"},
      {7, "2:3"}, {8, "3:1"}, {9, "4:1"}, {10, "4:2"},
  };
  for (const auto& [offset, expected] : cases) {
    EXPECT_EQ(place(lines.at(offset)), expected) << offset;
  }
  const LineIndex with_bom("\xEF\xBB\xBF" "ab\nc");
  EXPECT_EQ(place(with_bom.at(3)), "1:1");
  EXPECT_EQ(place(with_bom.at(5)), "1:3");
  EXPECT_EQ(place(with_bom.at(6)), "2:1");
}

// The index, the reports, the source map and character offsets (both ways)
// count every place alike: a stray continuation byte, a cut sequence and an overlong
// form are each one character, as a decoder shows them.
TEST(LineIndex, AgreesWithReportsSourceMapAndCharacterOffsets) {
  const std::string texts[] = {
      "ab\r\n\xC3\xA9x\n\nz",
      "a\x80\x80z\n\xE2\x82(\n\xC0\xAF\xF0\x9F\x98\x80.\r\rq",
      "\xFF\n\xED\xA0\x80 \xF4\x90\x80\x80 end",
  };
  for (const std::string& text : texts) {
    const LineIndex lines(text);
    // Every place between two characters (a parse gives no other).
    std::vector<ByteSpan> spans = {{0, 0}};
    for (std::size_t i = 0; i < text.size();) {
      i += utf8::decode(text, i).length;
      spans.push_back({i, i});
    }
    const std::vector<SourceSpan> located = locate(text, spans);
    for (std::size_t k = 0; k < spans.size(); ++k) {
      const std::size_t offset = spans[k].start;
      SCOPED_TRACE(offset);
      const LineCol at = lines.at(offset);
      const Error report = Error::at_position(text, offset, "m");
      ASSERT_NE(report.report(), nullptr);
      EXPECT_EQ(at, report.report()->start_line_col());
      EXPECT_EQ(at, located[k].start);
      EXPECT_EQ(at.column - 1,
                character_offset(text, offset) -
                    character_offset(text, lines.line_start(offset)));
      EXPECT_EQ(byte_offset(text, character_offset(text, offset)), offset);
    }
    EXPECT_EQ(byte_offset(text, spans.size()), text.size());
  }
}

// The source map's places after a byte-order mark are the index's: the
// mark is no column, and offsets still count it.
TEST(ByteOrderMark, LocateCountsItAsTheIndexDoes) {
  const std::string text = std::string(BYTE_ORDER_MARK) + "a\xC3\xA9\nb";
  const LineIndex lines(text);
  // Inside the mark, then every place between two characters.
  const std::vector<ByteSpan> spans = {{0, 0}, {1, 2}, {3, 3}, {4, 4},
                                       {6, 6}, {7, 7}, {8, 8}};
  const std::vector<SourceSpan> located = locate(text, spans);
  for (std::size_t k = 0; k < spans.size(); ++k) {
    EXPECT_EQ(located[k].start, lines.at(spans[k].start)) << k;
    EXPECT_EQ(located[k].end, lines.at(spans[k].end)) << k;
  }
  EXPECT_EQ(place(located[2].start), "1:1");
  EXPECT_EQ(place(located[4].start), "1:3");
}

// check and format read a text after a byte-order mark; edits and
// diagnostics count it in offsets, not in columns, and format keeps it.
TEST(ByteOrderMark, CheckAndFormatSkipIt) {
  const std::string bom = std::string(BYTE_ORDER_MARK);
  const std::string text = "SELECT 1 FROM   CLASS(ECOM 1100) : \"x\";\n";
  const auto diagnostics = check(bom + text);
  ASSERT_EQ(diagnostics.size(), 1u);
  const TextEdit& edit = diagnostics[0].suggestions.at(0).edits.at(0);
  EXPECT_EQ(edit.offset, bom.size() + text.find("ECOM"));
  EXPECT_EQ(place(edit.start), "1:23");
  EXPECT_EQ(place(edit.end), "1:27");
  EXPECT_EQ(edit.start, diagnostics[0].start);

  std::string fixed = text;
  fixed.replace(text.find("ECOM"), 4, "ECON");
  const auto formatted = jrl::format(bom + fixed);
  ASSERT_TRUE(formatted.has_value());
  EXPECT_EQ(*formatted, bom + *jrl::format(fixed));
  // With nothing after the mark but blank lines, nothing is left.
  EXPECT_EQ(jrl::format(bom + "\n\n"), std::string());
  const auto failed = jrl::format(bom + text);
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error(), parse(text).error());
}

}  // namespace
}  // namespace jrl
