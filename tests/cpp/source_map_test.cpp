// Spans of requirements and selectors: which bytes each covers, and their
// lines and columns.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "jrl/jrl.hpp"

namespace {

// Each span as "L:C-L:C text", the text being the bytes it covers.
std::vector<std::string> shown(std::string_view input,
                               const std::vector<jrl::ByteSpan>& spans) {
  const std::vector<jrl::SourceSpan> located = jrl::locate(input, spans);
  std::vector<std::string> out;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const jrl::SourceSpan& s = located[i];
    out.push_back(std::to_string(s.start.line) + ":" +
                  std::to_string(s.start.column) + "-" +
                  std::to_string(s.end.line) + ":" +
                  std::to_string(s.end.column) + " " +
                  std::string(input.substr(spans[i].start,
                                           spans[i].end - spans[i].start)));
  }
  return out;
}

struct Case {
  std::string_view input;
  std::vector<std::string> requirements;
  std::vector<std::string> selectors;
};

TEST(SourceMap, SpansOfRequirementsAndSelectors) {
  const Case cases[] = {
      {"", {}, {}},
      {R"(SELECT 1 FROM CLASS(MATH 1200) : "Calculus";)",
       {R"(1:1-1:44 SELECT 1 FROM CLASS(MATH 1200) : "Calculus")"},
       {"1:15-1:31 CLASS(MATH 1200)"}},
      // Lists, a second line after CRLF, a priority, multi-byte characters
      // counted once.
      {"SELECT 1 FROM [TAG(\"é\"), DIST(\"d\")] : \"x\";\r\n"
       "  LIMIT 2 FROM TAG(\"t\") : \"ü\" : 3;",
       {"1:1-1:42 SELECT 1 FROM [TAG(\"é\"), DIST(\"d\")] : \"x\"",
        "2:3-2:34 LIMIT 2 FROM TAG(\"t\") : \"ü\" : 3"},
       {"1:16-1:24 TAG(\"é\")", "1:26-1:35 DIST(\"d\")",
        "2:16-2:24 TAG(\"t\")"}},
      // A nested query, then its selectors, then the next sibling; a span
      // across lines.
      {"SELECT 1 FROM [SELECT 1 FROM [TAG(\"a\"),\n TAG(\"b\")], TAG(\"c\")] "
       ": \"x\";",
       {"1:1-2:28 SELECT 1 FROM [SELECT 1 FROM [TAG(\"a\"),\n TAG(\"b\")], "
        "TAG(\"c\")] : \"x\""},
       {"1:16-2:11 SELECT 1 FROM [TAG(\"a\"),\n TAG(\"b\")]",
        "1:31-1:39 TAG(\"a\")", "2:2-2:10 TAG(\"b\")", "2:13-2:21 TAG(\"c\")"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    jrl::SourceMap map;
    auto result = jrl::parse(c.input, map);
    ASSERT_TRUE(result) << result.error().render();
    EXPECT_EQ(shown(c.input, map.requirements), c.requirements);
    EXPECT_EQ(shown(c.input, map.selectors), c.selectors);
    // The model is the one the plain entry point builds.
    EXPECT_EQ(*result, *jrl::parse(c.input));
  }
}

TEST(SourceMap, EmptyAfterAFailure) {
  jrl::SourceMap map;
  map.requirements.push_back({1, 2});
  // The first statement builds; the syntax error after it wins.
  auto result = jrl::parse("SELECT 1 FROM TAG(\"a\") : \"x\"; SELECT", map);
  ASSERT_FALSE(result);
  EXPECT_EQ(map, jrl::SourceMap{});
}

TEST(SourceMap, CharacterOffsets) {
  struct OffsetCase {
    std::string_view input;
    std::size_t offset;
    std::size_t expected;
  };
  const OffsetCase cases[] = {
      {"", 0, 0},
      {"abc", 2, 2},
      {"\xC3\xA9"
       "x",
       2, 1},  // é is two bytes, one character
      {"\xF0\x9F\x98\x80"
       "x",
       4, 1},  // so is a four-byte character
      {"a\xFF\xFE"
       "b",
       3, 3},        // each bad byte counts once
      {"ab", 9, 2},  // past the end: the whole input
  };
  for (const OffsetCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(jrl::character_offset(c.input, c.offset), c.expected);
  }
}

}  // namespace
