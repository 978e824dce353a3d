// jrl::format: the canonical layout of docs/style.md, as tables of input
// and the exact text expected. Every expected text is also checked to be a
// fixed point (formatting it again changes nothing) and to mean what the
// input means.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "jrl/jrl.hpp"

namespace {

struct Case {
  std::string_view input;
  std::string_view expected;
  std::size_t width = 100;
};

void check_cases(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    SCOPED_TRACE(std::string(c->input));
    const auto formatted = jrl::format(c->input, {.width = c->width});
    ASSERT_TRUE(formatted.has_value()) << formatted.error().render();
    EXPECT_EQ(*formatted, c->expected);
    const auto again = jrl::format(*formatted, {.width = c->width});
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, *formatted) << "not idempotent";
    const auto before = jrl::parse(c->input);
    const auto after = jrl::parse(*formatted);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->to_string(), after->to_string()) << "meaning changed";
  }
}

template <std::size_t N>
void check_cases(const Case (&cases)[N]) {
  check_cases(cases, cases + N);
}

TEST(Format, Words) {
  const Case cases[] = {
      // Function names in upper case; keywords already are.
      {R"(SELECT 1 FROM class(MATH 1200) : "x";)",
       "SELECT 1 FROM CLASS(MATH 1200) : \"x\";\n"},
      {R"(SELECT 2 FROM [tag("a"),range_dist(MATH 1000,MATH 2000,"d"),dist_dept("a","b")] : "x";)",
       "SELECT 2 FROM [TAG(\"a\"), RANGE_DIST(MATH 1000, MATH 2000, \"d\"), "
       "DIST_DEPT(\"a\", \"b\")] : \"x\";\n"},
      // Numbers lose their leading zeros, course numbers keep them; a
      // course has one space.
      {R"(SELECT 02 FROM CLASS(MATH0012L) : "x" : 007;)",
       "SELECT 2 FROM CLASS(MATH 0012L) : \"x\" : 7;\n"},
      {R"(SELECT 1 FROM SELECT 00-0010 FROM RANGE(C&EE    1200, MATH 1300) : "x";)",
       "SELECT 1 FROM SELECT 0-10 FROM RANGE(C&EE 1200, MATH 1300) : \"x\";\n"},
      // Strings exactly as written; an explicit priority of 1 or 0 kept.
      {R"(SELECT 1 FROM TAG("say ""hi"" // not a comment") : "" : 1;)",
       "SELECT 1 FROM TAG(\"say \"\"hi\"\" // not a comment\") : \"\" : 1;\n"},
      {"LIMIT 1 FROM TAG(\"\xc3\xa9tude\") : \"x\" : 0;",
       "LIMIT 1 FROM TAG(\"\xc3\xa9tude\") : \"x\" : 0;\n"},
      // Spacing between tokens is the layout's, however it was written.
      {"SELECT1FROM\tCLASS ( MATH 1200 )\n:\n\"x\"\n:\n3\n;",
       "SELECT 1 FROM CLASS(MATH 1200) : \"x\" : 3;\n"},
  };
  check_cases(cases);
}

TEST(Format, LineBreaks) {
  const Case cases[] = {
      // Exactly the width fits; one more breaks the list.
      {R"(SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : "abc";)",
       "SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : \"abc\";\n", 59},
      {R"(SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : "abc";)",
       "SELECT 1 FROM [\n"
       "    CLASS(MATH 1200),\n"
       "    CLASS(MATH 1300)\n"
       "] : \"abc\";\n",
       58},
      // A nested statement breaks the same way at its depth; an item that
      // fits stays on one line.
      {R"(SELECT 1 FROM [CLASS(MATH 1200), SELECT 2 FROM [CLASS(MATH 1300), CLASS(MATH 1400), CLASS(MATH 1500)], SELECT 1 FROM [TAG("a")]] : "abc" : 4;)",
       "SELECT 1 FROM [\n"
       "    CLASS(MATH 1200),\n"
       "    SELECT 2 FROM [\n"
       "        CLASS(MATH 1300),\n"
       "        CLASS(MATH 1400),\n"
       "        CLASS(MATH 1500)\n"
       "    ],\n"
       "    SELECT 1 FROM [TAG(\"a\")]\n"
       "] : \"abc\" : 4;\n",
       40},
      // The list of a nested statement that is the whole selector breaks.
      {R"(SELECT 1 FROM SELECT 2 FROM [CLASS(MATH 1300), CLASS(MATH 1400)] : "abc";)",
       "SELECT 1 FROM SELECT 2 FROM [\n"
       "    CLASS(MATH 1300),\n"
       "    CLASS(MATH 1400)\n"
       "] : \"abc\";\n",
       40},
      // Without a list, the description goes to the next line.
      {R"(SELECT 1 FROM RANGE_TAG(MATH 1000, MATH 2000, "tag") : "description" : 3;)",
       "SELECT 1 FROM RANGE_TAG(MATH 1000, MATH 2000, \"tag\")\n"
       "    : \"description\" : 3;\n",
       40},
      // A multi-line list that fits is joined.
      {"SELECT 1 FROM [\n    CLASS(MATH 1200),\n    CLASS(MATH 1300)\n] : "
       "\"x\";",
       "SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : \"x\";\n"},
  };
  check_cases(cases);
}

TEST(Format, Comments) {
  const Case cases[] = {
      // After code: two spaces after it, trailing whitespace dropped.
      {"SELECT 1 FROM CLASS(MATH 1200) : \"x\";      // done   \t",
       "SELECT 1 FROM CLASS(MATH 1200) : \"x\";  // done\n"},
      // On its own line: at the indent of what follows; blank lines
      // between requirements kept, at most one.
      {"  // head\n\n\n\nSELECT 1 FROM TAG(\"a\") : \"x\";\n\n\n// tail\n\n",
       "// head\n\nSELECT 1 FROM TAG(\"a\") : \"x\";\n\n// tail\n"},
      // Inside a list: the list breaks; a comment before "," follows it.
      {"SELECT 1 FROM [CLASS(MATH 1200) // one\n, CLASS(MATH 1300) // two\n] : "
       "\"x\";",
       "SELECT 1 FROM [\n"
       "    CLASS(MATH 1200),  // one\n"
       "    CLASS(MATH 1300)  // two\n"
       "] : \"x\";\n"},
      {"SELECT 1 FROM [\n// first\nCLASS(MATH 1200)\n  // last\n] : \"x\";",
       "SELECT 1 FROM [\n"
       "    // first\n"
       "    CLASS(MATH 1200)\n"
       "    // last\n"
       "] : \"x\";\n"},
      // Where the layout has no break, a comment ends the line and the
      // code goes on four spaces deeper.
      {"SELECT // why\n 1 FROM CLASS(MATH 1200 // course\n) : \"x\";",
       "SELECT  // why\n"
       "    1 FROM CLASS(MATH 1200)  // course\n"
       "    : \"x\";\n"},
      {"SELECT 1 FROM RANGE(MATH 1200,\n// own line\nMATH 1300) : \"x\" // "
       "end\n;",
       "SELECT 1 FROM RANGE(MATH 1200,\n"
       "    // own line\n"
       "    MATH 1300)\n"
       "    : \"x\";  // end\n"},
      // Two comments after code meet when the ")" between them moves up.
      {"SELECT 1 FROM CLASS(MATH 1200 // a\n) // b\n : \"x\";",
       "SELECT 1 FROM CLASS(MATH 1200)  // a\n"
       "    // b\n"
       "    : \"x\";\n"},
      // Only comments; a comment that ends the text without a line feed.
      {"// a\n   // b", "// a\n// b\n"},
      {"", ""},
      {"\n\n  \n", ""},
  };
  check_cases(cases);
}

TEST(Format, LineEndings) {
  const Case cases[] = {
      // The first line ending decides; comments lose their CR.
      {"// a\r\nSELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : \"x\";\n",
       "// a\r\nSELECT 1 FROM [\r\n    CLASS(MATH 1200),\r\n    CLASS(MATH "
       "1300)\r\n] : \"x\";\r\n",
       30},
      {"SELECT 1 FROM TAG(\"a\") : \"x\"; // c\n// d\r\n",
       "SELECT 1 FROM TAG(\"a\") : \"x\";  // c\n// d\n"},
  };
  check_cases(cases);
}

TEST(Format, TextThatDoesNotParseGivesParsesError) {
  const std::string_view inputs[] = {
      "garbage",
      "SELECT 1 FROM CLASS(MATH 1200) : \"x\"",
      "SELECT 1 FROM CLASS(MATX 1200) : \"x\";",
      "SELECT 0 FROM CLASS(MATH 1200) : \"x\";",
      "SELECT 1 FROM Class(MATH 1200) : \"x\";",
      "SELECT 1 FROM CLASS(MATH 1200) : \"\xff\";",
      // A fault after requirements that were already laid out; a syntax
      // error after a requirement that does not build wins over it.
      "SELECT 1 FROM TAG(\"a\") : \"x\"; // c\n"
      "SELECT 0 FROM TAG(\"a\") : \"y\";",
      "SELECT 0 FROM TAG(\"a\") : \"x\";\nSELECT 1 FROM TAG(\"a\") : \"y\"",
  };
  for (const std::string_view input : inputs) {
    SCOPED_TRACE(std::string(input));
    const auto formatted = jrl::format(input);
    const auto parsed = jrl::parse(input);
    ASSERT_FALSE(formatted.has_value());
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(formatted.error(), parsed.error());
  }
}

// Statements nested to the deepest level read and lay out like any other;
// one level more is parse's error.
TEST(Format, DeepestNesting) {
  for (const std::size_t depth : {256, 257}) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += "SELECT 1 FROM [";
    text += "CLASS(MATH 1200)" + std::string(depth, ']') + " : \"x\";";
    const auto formatted = jrl::format(text);
    const auto parsed = jrl::parse(text);
    ASSERT_EQ(formatted.has_value(), parsed.has_value()) << depth;
    if (!parsed) {
      EXPECT_EQ(formatted.error(), parsed.error());
      continue;
    }
    const auto again = jrl::parse(*formatted);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->to_string(), parsed->to_string());
  }
}

}  // namespace
