// jrl::parse end to end: requirements text in, the model's debug text or the
// whole rendered error chain out.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/jrl.hpp"
#include "parser/model_builder.hpp"

namespace {

struct Case {
  std::string_view input;
  std::string_view expected;
};

std::string rendered_error(std::string_view input) {
  auto result = jrl::parse(input);
  if (result) return "unexpected success: " + result->to_debug_string();
  return result.error().render();
}

std::string debug_or_error(std::string_view input) {
  auto result = jrl::parse(input);
  if (!result) return "unexpected failure: " + result.error().render();
  return result->to_debug_string();
}

TEST(ParseFile, WholeResults) {
  const Case cases[] = {
      {"",
       R"(ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", requirements: [] } })"},
      {" // only a comment\n\t\r\n",
       R"(ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", requirements: [] } })"},
      {R"(SELECT 1 FROM CLASS(MATH 1200) : "Calculus";)",
       R"(ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", requirements: [JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Class(Class { department_id: "MATH", course_number: 1200, lab: false })] }, description: "Calculus", priority: 1 }] } })"},
      {"SELECT 2 FROM TAG(\"a\") : \"first\" : 0;\n"
       "LIMIT 2-2 FROM [TAG(\"b\"), DIST(\"c\")] : \"second\" : 65535;",
       R"(ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", requirements: [JRLRequirement { query: JRLQuery { quantity: Single(2), type: Select, selector: [Tag("a")] }, description: "first", priority: 0 }, JRLRequirement { query: JRLQuery { quantity: Many { from: 2, to: 2 }, type: Limit, selector: [Tag("b"), Dist("c")] }, description: "second", priority: 65535 }] } })"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(debug_or_error(c.input), c.expected);
  }
}

// Statement-level values, read from the first requirement.
TEST(ParseFile, StatementValues) {
  const Case cases[] = {
      // priority: default, leading zeros, both ends of the range
      {R"(SELECT 1 FROM TAG("t") : "d";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("t")] }, description: "d", priority: 1 })"},
      {R"(SELECT 1 FROM TAG("t") : "d" : 007;)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("t")] }, description: "d", priority: 7 })"},
      // quantities: leading zeros, a one-value range, the largest count
      {R"(SELECT 0003 FROM TAG("t") : "d";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(3), type: Select, selector: [Tag("t")] }, description: "d", priority: 1 })"},
      {R"(SELECT 65535-65535 FROM TAG("t") : "d";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Many { from: 65535, to: 65535 }, type: Select, selector: [Tag("t")] }, description: "d", priority: 1 })"},
      // descriptions: doubled quotes, empty, four quotes in a row, backslash
      {R"(SELECT 1 FROM TAG("t") : "say ""hi""";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("t")] }, description: "say \"hi\"", priority: 1 })"},
      {R"(SELECT 1 FROM TAG("t") : "";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("t")] }, description: "", priority: 1 })"},
      {R"(SELECT 1 FROM TAG("t") : """""";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("t")] }, description: "\"\"", priority: 1 })"},
      {R"(SELECT 1 FROM TAG("a\b") : "c\";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Tag("a\\b")] }, description: "c\\", priority: 1 })"},
      // a nested range may start from zero
      {R"(SELECT 1 FROM SELECT 0-2 FROM CLASS(MATH 1200) : "d";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Query(JRLQuery { quantity: Many { from: 0, to: 2 }, type: Select, selector: [Class(Class { department_id: "MATH", course_number: 1200, lab: false })] })] }, description: "d", priority: 1 })"},
      {R"(SELECT 1 FROM [SELECT 2 FROM [CLASS(MATH 1200), SELECT 0-0 FROM TAG("t")], TAG("u")] : "d";)",
       R"(JRLRequirement { query: JRLQuery { quantity: Single(1), type: Select, selector: [Query(JRLQuery { quantity: Single(2), type: Select, selector: [Class(Class { department_id: "MATH", course_number: 1200, lab: false }), Query(JRLQuery { quantity: Many { from: 0, to: 0 }, type: Select, selector: [Tag("t")] })] }), Tag("u")] }, description: "d", priority: 1 })"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = jrl::parse(c.input);
    ASSERT_TRUE(result) << result.error().render();
    ASSERT_EQ(result->parsed_jrl_file.requirements.size(), 1u);
    EXPECT_EQ(jrl::debug_text(result->parsed_jrl_file.requirements[0]),
              c.expected);
  }
}

// One selector per row: `SELECT 1 FROM <input> : "d";`.
TEST(ParseSelector, EveryFunction) {
  const Case cases[] = {
      {"CLASS(MATH 1200)",
       R"(Class(Class { department_id: "MATH", course_number: 1200, lab: false }))"},
      {"CLASS(MATH 1200L)",
       R"(Class(Class { department_id: "MATH", course_number: 1200, lab: true }))"},
      {"CLASS(MATH 0000)",
       R"(Class(Class { department_id: "MATH", course_number: 0, lab: false }))"},
      {"class(C&EE   9999L)",
       R"(Class(Class { department_id: "C&EE", course_number: 9999, lab: true }))"},
      {"CLASS(MATH1200)",
       R"(Class(Class { department_id: "MATH", course_number: 1200, lab: false }))"},
      {R"(PLACEMENT("abcXYZ123"))", R"(Placement("abcXYZ123"))"},
      {R"(TAG("WX TAG"))", R"(Tag("WX TAG"))"},
      {R"(TAG_DEPT("WX TAG", "ECON"))",
       R"(TagCode { tag: "WX TAG", code: "ECON" })"},
      {R"(DIST("WX dist"))", R"(Dist("WX dist"))"},
      {R"(dist_dept ( "WX dist" , "Major" ))",
       R"(DistCode { dist: "WX dist", code: "Major" })"},
      {"RANGE(MATH 1300, MATH 1200)",
       R"(Range { from: Class { department_id: "MATH", course_number: 1300, lab: false }, to: Class { department_id: "MATH", course_number: 1200, lab: false } })"},
      {R"(RANGE_DIST(MATH 1200, ECON 1300L, "WX dist"))",
       R"(RangeDist { from: Class { department_id: "MATH", course_number: 1200, lab: false }, to: Class { department_id: "ECON", course_number: 1300, lab: true }, dist: "WX dist" })"},
      {R"(RANGE_TAG(MATH 1200, MATH 1300, "say ""x"""))",
       R"(RangeTag { from: Class { department_id: "MATH", course_number: 1200, lab: false }, to: Class { department_id: "MATH", course_number: 1300, lab: false }, tag: "say \"x\"" })"},
  };
  for (const Case& c : cases) {
    const std::string input =
        "SELECT 1 FROM " + std::string(c.input) + " : \"d\";";
    SCOPED_TRACE(input);
    auto result = jrl::parse(input);
    ASSERT_TRUE(result) << result.error().render();
    const auto& selectors =
        result->parsed_jrl_file.requirements.at(0).query.selector;
    ASSERT_EQ(selectors.size(), 1u);
    EXPECT_EQ(jrl::debug_text(selectors[0]), c.expected);
  }
}

TEST(ParseErrors, GrammarFailures) {
  const Case cases[] = {
      {R"(SELECT 1 FROM CLASS(MATH 1200) : "x")",
       R"( --> 1:24
  |
1 | SELECT 1 FROM CLASS(MATH 1200) : "x"
  |                        ^---
  |
  = expected class id (4-digit int))"},
      {"garbage",
       R"( --> 1:1
  |
1 | garbage
  | ^---
  |
  = expected file)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(rendered_error(c.input), c.expected);
  }
}

TEST(ParseErrors, Statements) {
  const Case cases[] = {
      {R"(SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)",
       R"(failed parsing quantity

Caused by:
     --> 1:8
      |
    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";
      |        ^
      |
      = cannot select zero)"},
      {R"(SELECT 65536 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
    0: selection could not fit as u16
    1: number too large to fit in target type)"},
      {R"(SELECT 70000-1 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
    0: selection could not fit as u16
    1: number too large to fit in target type)"},
      // the upper bound is converted before the range is checked
      {R"(SELECT 0-99999 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
    0: selection could not fit as u16
    1: number too large to fit in target type)"},
      {R"(SELECT 0-2 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
     --> 1:8
      |
    1 | SELECT 0-2 FROM CLASS(MATH 1200) : "x";
      |        ^
      |
      = cannot select a range starting from zero on a top-level SELECT)"},
      // the zero check comes before the order check, and holds for LIMIT
      {R"(LIMIT 00-0 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
     --> 1:7
      |
    1 | LIMIT 00-0 FROM CLASS(MATH 1200) : "x";
      |       ^^
      |
      = cannot select a range starting from zero on a top-level SELECT)"},
      {R"(SELECT 3-1 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
     --> 1:10
      |
    1 | SELECT 3-1 FROM CLASS(MATH 1200) : "x";
      |          ^
      |
      = for any SELECT n-k statements, k>=n must be true. 1<3)"},
      {R"(SELECT 1 FROM CLASS(MATH 1200) : "x" : 65536;)",
       R"(selection could not fit as u16

Caused by:
    number too large to fit in target type)"},
      // the priority is read before the query
      {R"(SELECT 0 FROM CLASS(MATX 1200) : "x" : 65536;)",
       R"(selection could not fit as u16

Caused by:
    number too large to fit in target type)"},
      // a faulty quantity hides a faulty selector
      {R"(SELECT 0 FROM CLASS(MATX 1200) : "x";)",
       R"(failed parsing quantity

Caused by:
     --> 1:8
      |
    1 | SELECT 0 FROM CLASS(MATX 1200) : "x";
      |        ^
      |
      = cannot select zero)"},
      // only the faulty second statement is reported
      {"SELECT 1 FROM CLASS(MATH 1200) : \"a\";\n"
       "SELECT 0 FROM CLASS(MATH 1200) : \"b\";\n"
       "SELECT 0 FROM CLASS(MATX 1200) : \"c\";",
       R"(failed parsing quantity

Caused by:
     --> 2:8
      |
    2 | SELECT 0 FROM CLASS(MATH 1200) : "b";
      |        ^
      |
      = cannot select zero)"},
      {R"(SELECT 1 FROM LIMIT 1 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
    0: could not parse nested query
    1:  --> 1:15
         |
       1 | SELECT 1 FROM LIMIT 1 FROM CLASS(MATH 1200) : "x";
         |               ^---^
         |
         = LIMIT must be a top-level query)"},
      {R"(SELECT 1 FROM SELECT 0 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
    0: could not parse nested query
    1: failed parsing quantity
    2:  --> 1:22
         |
       1 | SELECT 1 FROM SELECT 0 FROM CLASS(MATH 1200) : "x";
         |                      ^
         |
         = cannot select zero)"},
      {R"(SELECT 1 FROM SELECT 3-1 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
    0: could not parse nested query
    1: failed parsing quantity
    2:  --> 1:24
         |
       1 | SELECT 1 FROM SELECT 3-1 FROM CLASS(MATH 1200) : "x";
         |                        ^
         |
         = for any SELECT n-k statements, k>=n must be true. 1<3)"},
      {R"(SELECT 1 FROM SELECT 1-65536 FROM CLASS(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
    0: could not parse nested query
    1: failed parsing quantity
    2: selection could not fit as u16
    3: number too large to fit in target type)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(rendered_error(c.input), c.expected);
  }
}

// The argument message of each function, over the whole call.
TEST(ParseErrors, FunctionArguments) {
  const Case cases[] = {
      {R"(SELECT 1 FROM CLASS("a") : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM CLASS("a") : "x";
      |               ^--------^
      |
      = CLASS function must take one <CLASS> argument of the form `DEPARTMENT_ID CLASS_ID`)"},
      {R"(SELECT 1 FROM CLASS(MATH 1200, MATH 1300) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM CLASS(MATH 1200, MATH 1300) : "x";
      |               ^-------------------------^
      |
      = CLASS function must take one <CLASS> argument of the form `DEPARTMENT_ID CLASS_ID`)"},
      {R"(SELECT 1 FROM PLACEMENT(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM PLACEMENT(MATH 1200) : "x";
      |               ^------------------^
      |
      = PLACEMENT function must take one <STRING> argument of the form `"abcXYZ123"`)"},
      {R"(SELECT 1 FROM TAG(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM TAG(MATH 1200) : "x";
      |               ^------------^
      |
      = TAG function must take one <STRING> argument of the form `"abcXYZ123"`)"},
      {R"(SELECT 1 FROM TAG_DEPT("a") : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM TAG_DEPT("a") : "x";
      |               ^-----------^
      |
      = TAG_DEPT function must take two <STRING>, <STRING> arguments of the form `"WX TAG"`, `"Wexmoor Major Code"`)"},
      {R"(SELECT 1 FROM DIST(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM DIST(MATH 1200) : "x";
      |               ^-------------^
      |
      = DIST function must take one <STRING> argument of the form `"WX dist"`)"},
      {R"(SELECT 1 FROM DIST_DEPT("a") : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM DIST_DEPT("a") : "x";
      |               ^------------^
      |
      = DIST_DEPT function must take two <STRING>, <STRING> arguments of the form `"WX dist"`, `"Wexmoor Major Code"`)"},
      {R"(SELECT 1 FROM RANGE(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM RANGE(MATH 1200) : "x";
      |               ^--------------^
      |
      = RANGE function must take two <CLASS>, <CLASS> arguments of the form `DEPARTMENT_ID CLASS_ID`)"},
      {R"(SELECT 1 FROM RANGE_DIST("a", "b", "c") : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM RANGE_DIST("a", "b", "c") : "x";
      |               ^-----------------------^
      |
      = RANGE_DIST function must take three <CLASS>, <CLASS>, <STRING> arguments)"},
      {R"(SELECT 1 FROM RANGE_TAG("t", MATH 1200, MATH 1300) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM RANGE_TAG("t", MATH 1200, MATH 1300) : "x";
      |               ^----------------------------------^
      |
      = RANGE_TAG function must take three <CLASS>, <CLASS>, <STRING> arguments)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(rendered_error(c.input), c.expected);
  }
}

TEST(ParseErrors, NamesAndDepartments) {
  const Case cases[] = {
      {R"(SELECT 1 FROM CLAS(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM CLAS(MATH 1200) : "x";
      |               ^--^
      |
      = not a valid query (Did you mean: CLASS))"},
      {R"(SELECT 1 FROM Class(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM Class(MATH 1200) : "x";
      |               ^---^
      |
      = not a valid query (Did you mean: CLASS))"},
      {R"(SELECT 1 FROM FOO(MATH 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:15
      |
    1 | SELECT 1 FROM FOO(MATH 1200) : "x";
      |               ^-^
      |
      = not a valid query (Did you mean: RANGE_TAG))"},
      {R"(SELECT 1 FROM CLASS(MATX 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:21
      |
    1 | SELECT 1 FROM CLASS(MATX 1200) : "x";
      |                     ^--^
      |
      = this department does not exist in Wexmoor's course catalog (Did you mean: MATH))"},
      // argument errors win over a wrong count and over an unknown name
      {R"(SELECT 1 FROM RANGE(MATX 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:21
      |
    1 | SELECT 1 FROM RANGE(MATX 1200) : "x";
      |                     ^--^
      |
      = this department does not exist in Wexmoor's course catalog (Did you mean: MATH))"},
      {R"(SELECT 1 FROM FOO(MATX 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:19
      |
    1 | SELECT 1 FROM FOO(MATX 1200) : "x";
      |                   ^--^
      |
      = this department does not exist in Wexmoor's course catalog (Did you mean: MATH))"},
      // registered three-letter codes are still not written forms
      {R"(SELECT 1 FROM CLASS(MATH 1200, MUS 1100) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:32
      |
    1 | SELECT 1 FROM CLASS(MATH 1200, MUS 1100) : "x";
      |                                ^-^
      |
      = departments must be 4 uppercase ASCII character symbols)"},
      {R"(SELECT 1 FROM CLASS(MATHS 1200) : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:21
      |
    1 | SELECT 1 FROM CLASS(MATHS 1200) : "x";
      |                     ^---^
      |
      = departments must be 4 uppercase ASCII character symbols)"},
      // the second element of a list fails; the first was fine
      {R"(SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATX 1300)] : "x";)",
       R"(failed parsing selector

Caused by:
     --> 1:40
      |
    1 | SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATX 1300)] : "x";
      |                                        ^--^
      |
      = this department does not exist in Wexmoor's course catalog (Did you mean: MATH))"},
      {R"(SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "x";)",
       R"(failed parsing selector

Caused by:
    0: could not parse nested query
    1: failed parsing selector
    2:  --> 1:35
         |
       1 | SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "x";
         |                                   ^--^
         |
         = this department does not exist in Wexmoor's course catalog (Did you mean: MATH))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(rendered_error(c.input), c.expected);
  }
}

std::string nested(std::size_t depth) {
  std::string input;
  for (std::size_t i = 0; i < depth; ++i) input += "SELECT 1 FROM\n";
  return input + "CLASS(MATH 1200) : \"x\";";
}

TEST(ParseLimits, NestingDepth) {
  auto deepest = jrl::parse(nested(256));
  ASSERT_TRUE(deepest) << deepest.error().render();
  std::size_t depth = 1;
  const jrl::JRLQuery* query =
      &deepest->parsed_jrl_file.requirements.at(0).query;
  while (!query->selector.empty()) {
    const auto* inner =
        std::get_if<jrl::selector::Query>(&query->selector.front().value);
    if (inner == nullptr) break;
    query = &inner->value;
    ++depth;
  }
  EXPECT_EQ(depth, 256u);

  EXPECT_EQ(rendered_error(nested(257)), R"(   --> 257:1
    |
257 | SELECT 1 FROM
    | ^---
    |
    = queries nested deeper than 256 levels are not supported)");
}

// The first ill-formed byte is a report: its offset, its line and column
// (characters; an ill-formed sequence shows as one U+FFFD per maximal
// subpart) and the line it is on.
TEST(ParseLimits, InvalidUtf8) {
  struct Utf8Case {
    std::string_view input;
    std::size_t offset;
    jrl::LineCol place;
    std::string_view rendered;
  };
  const Utf8Case cases[] = {
      {"SELECT 1 FROM TAG(\"\xff\") : \"x\";", 19, {1, 20},
       " --> 1:20\n  |\n1 | SELECT 1 FROM TAG(\"\xEF\xBF\xBD\") : \"x\";\n"
       "  |                    ^---\n  |\n  = input is not valid UTF-8"},
      // past the eight-byte ASCII steps, and inside a multi-byte run
      {"// comment text \xc3\xa9\x80", 18, {1, 18},
       " --> 1:18\n  |\n1 | // comment text \xc3\xa9\xEF\xBF\xBD\n"
       "  |                  ^---\n  |\n  = input is not valid UTF-8"},
      // a line break before: the line and column of the second line
      {"SELECT\r\n  \xc3(", 10, {2, 3},
       " --> 2:3\n  |\n2 |   \xEF\xBF\xBD(\n  |   ^---\n  |\n"
       "  = input is not valid UTF-8"},
      // an overlong form: the lead and the continuation each show as U+FFFD
      {"// \xc0\x80", 3, {1, 4},
       " --> 1:4\n  |\n1 | // \xEF\xBF\xBD\xEF\xBF\xBD\n  |    ^---\n  |\n"
       "  = input is not valid UTF-8"},
      {"// \xe0\x9f\xbf", 3, {1, 4}, {}},
      {"// \xed\xa0\x80", 3, {1, 4}, {}},      // a surrogate
      {"// \xf4\x90\x80\x80", 3, {1, 4}, {}},  // past U+10FFFF
      {"// \xf5\x80\x80\x80", 3, {1, 4}, {}},
      // cut short by the end: one character
      {"// \xf0\x9f\x98", 3, {1, 4},
       " --> 1:4\n  |\n1 | // \xEF\xBF\xBD\n  |    ^---\n  |\n"
       "  = input is not valid UTF-8"},
      {std::string_view("// \0\xe2\x82", 6), 4, {1, 5}, {}},
  };
  for (const Utf8Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = jrl::parse(c.input);
    ASSERT_FALSE(result);
    const jrl::ReportError* report = result.error().report();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->message(), "input is not valid UTF-8");
    EXPECT_EQ(report->start(), c.offset);
    EXPECT_EQ(report->start_line_col(), c.place);
    if (!c.rendered.empty()) {
      EXPECT_EQ(result.error().render(), c.rendered);
    }
  }
  // The boundaries of each sequence length are accepted.
  const std::string valid =
      "SELECT 1 FROM TAG(\"\x7f \xc2\x80 \xdf\xbf \xe0\xa0\x80 \xed\x9f\xbf "
      "\xee\x80\x80 \xf0\x90\x80\x80 \xf4\x8f\xbf\xbf\") : \"x\";";
  auto result = jrl::parse(valid);
  ASSERT_TRUE(result) << result.error().render();
}

// Trees the grammar never builds reach the builders' internal faults, which
// stay internal through every context level.
struct TreeNode {
  jrl::Rule rule;
  std::uint32_t start, end;
  std::vector<TreeNode> children = {};
};

void flatten(const TreeNode& node, std::vector<jrl::Node>& out) {
  const std::size_t index = out.size();
  out.push_back({node.start, node.end, 0, node.rule});
  for (const TreeNode& child : node.children) flatten(child, out);
  out[index].subtree_end = static_cast<std::uint32_t>(out.size());
}

// `SELECT 1 FROM CLASS(7) : "x";` with the given quantity child and argument.
TreeNode file_tree(TreeNode quantity_child, TreeNode argument_child) {
  using R = jrl::Rule;
  TreeNode call{R::XYZ,
                14,
                22,
                {{R::query_name, 14, 19, {{R::class_, 14, 19}}},
                 {R::query_argument, 20, 21, {argument_child}}}};
  TreeNode statement{
      R::statement,
      0,
      22,
      {{R::select, 0, 6},
       {R::quantity, 7, 8, {quantity_child}},
       {R::from, 9, 13},
       {R::selector, 14, 22, {{R::selector_single, 14, 22, {call}}}}}};
  return {R::file,
          0,
          29,
          {{R::special_statement, 0, 28, {statement, {R::string, 25, 28}}},
           {R::EOI, 29, 29}}};
}

TEST(ParseInternal, UnexpectedNodes) {
  using R = jrl::Rule;
  const struct {
    TreeNode tree;
    std::string_view expected;
  } cases[] = {
      {{R::file, 0, 29, {{R::string, 25, 28}}},
       "internal error: entered unreachable code: should have { SOI ~ "
       "statement* ~ EOI  }, got string"},
      {file_tree({R::class_id, 7, 8}, {R::quantity_single, 20, 21}),
       "internal error: entered unreachable code: should have { "
       "quantity_many | quantity_single }, got class_id"},
      {file_tree({R::quantity_single, 7, 8}, {R::quantity_single, 20, 21}),
       "internal error: entered unreachable code: should have { string | "
       "class_argument }, got quantity_single"},
  };
  for (const auto& c : cases) {
    jrl::ParseTree tree{R"(SELECT 1 FROM CLASS(7) : "x";)", {}};
    flatten(c.tree, tree.nodes);
    jrl::ModelArena arena;
    auto result = jrl::ModelBuilder::parse_file(*tree.root(), arena);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().is_internal());
    EXPECT_EQ(result.error().text(), c.expected);
  }
}

}  // namespace
