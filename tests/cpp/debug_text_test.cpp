#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "jrl/model.hpp"
#include "jrl/parse.hpp"
#include "test_arena.hpp"
#include "render/debug_text_writer.hpp"

namespace jrl {
namespace {

Class course(std::string_view department, std::uint16_t number,
             bool lab = false) {
  return Class{kept(department), number, lab};
}

Selector class_selector(std::string_view department, std::uint16_t number) {
  return Selector{selector::Class{course(department, number)}};
}

Selector query_selector(JRLQuery query) {
  return Selector{selector::Query{std::move(query)}};
}

JRLQuery query(Quantity quantity, JRLQueryType type,
               const std::vector<Selector>& selectors) {
  return JRLQuery{quantity, type, test_arena().selectors(selectors)};
}

TEST(DebugText, WholeParseResult) {
  ParseResult result;
  result.parsed_jrl_file.requirements.push_back(
      JRLRequirement{query(quantity::Single{1}, JRLQueryType::Select,
                           {class_selector("MATH", 1200)}),
                     "Calculus", 1});
  EXPECT_EQ(result.to_debug_string(),
            "ParseResult { parsed_jrl_file: JRLQueryFile { version: \"0.1.6\", "
            "requirements: [JRLRequirement { query: JRLQuery { quantity: "
            "Single(1), type: Select, selector: [Class(Class { department_id: "
            "\"MATH\", course_number: 1200, lab: false })] }, description: "
            "\"Calculus\", priority: 1 }] } }");
}

TEST(DebugText, EmptyFile) {
  EXPECT_EQ(ParseResult{}.to_debug_string(),
            "ParseResult { parsed_jrl_file: JRLQueryFile { version: \"0.1.6\", "
            "requirements: [] } }");
}

TEST(DebugText, FileWithTwoRequirements) {
  JRLQueryFile file;
  file.requirements.push_back(
      JRLRequirement{query(quantity::Single{2}, JRLQueryType::Select,
                           {Selector{selector::Tag{"WI"}}}),
                     "writing", 3});
  file.requirements.push_back(
      JRLRequirement{query(quantity::Many{1, 3}, JRLQueryType::Limit,
                           {Selector{selector::Dist{"SCI"}}}),
                     "science", 1});
  EXPECT_EQ(debug_text(file),
            "JRLQueryFile { version: \"0.1.6\", requirements: [JRLRequirement "
            "{ query: JRLQuery { quantity: Single(2), type: Select, selector: "
            "[Tag(\"WI\")] }, description: \"writing\", priority: 3 }, "
            "JRLRequirement { query: JRLQuery { quantity: Many { from: 1, to: "
            "3 }, type: Limit, selector: [Dist(\"SCI\")] }, description: "
            "\"science\", priority: 1 }] }");
}

TEST(DebugText, RequirementWithDoubledQuoteAndSelectorList) {
  const JRLRequirement requirement{
      query(quantity::Many{2, 2}, JRLQueryType::Limit,
            {class_selector("MATH", 1200), class_selector("ECON", 7)}),
      "say \"hi\"", 65535};
  EXPECT_EQ(debug_text(requirement),
            "JRLRequirement { query: JRLQuery { quantity: Many { from: 2, to: "
            "2 }, type: Limit, selector: [Class(Class { department_id: "
            "\"MATH\", course_number: 1200, lab: false }), Class(Class { "
            "department_id: \"ECON\", course_number: 7, lab: false })] }, "
            "description: \"say \\\"hi\\\"\", priority: 65535 }");
}

TEST(DebugText, ThreeLevelNesting) {
  JRLQuery inner =
      query(quantity::Single{2}, JRLQueryType::Select,
            {class_selector("MATH", 1200), class_selector("MATH", 1300)});
  JRLQuery middle =
      query(quantity::Many{0, 1}, JRLQueryType::Select,
            {query_selector(std::move(inner)), Selector{selector::Tag{"T"}}});
  JRLQuery outer = query(quantity::Single{1}, JRLQueryType::Select,
                         {query_selector(std::move(middle))});
  EXPECT_EQ(debug_text(outer),
            "JRLQuery { quantity: Single(1), type: Select, selector: "
            "[Query(JRLQuery { quantity: Many { from: 0, to: 1 }, type: "
            "Select, selector: [Query(JRLQuery { quantity: Single(2), type: "
            "Select, selector: [Class(Class { department_id: \"MATH\", "
            "course_number: 1200, lab: false }), Class(Class { "
            "department_id: \"MATH\", course_number: 1300, lab: false })] }), "
            "Tag(\"T\")] })] }");
}

TEST(DebugText, EverySelectorVariant) {
  const struct {
    Selector selector;
    std::string expected;
  } cases[] = {
      {class_selector("M&TH", 1200),
       "Class(Class { department_id: \"M&TH\", course_number: 1200, lab: "
       "false })"},
      {Selector{selector::Placement{"Calculus I"}},
       "Placement(\"Calculus I\")"},
      {Selector{selector::Tag{"WX TAG"}}, "Tag(\"WX TAG\")"},
      {Selector{selector::TagCode{"WI", "HIST"}},
       "TagCode { tag: \"WI\", code: \"HIST\" }"},
      {Selector{selector::Dist{"SCI"}}, "Dist(\"SCI\")"},
      {Selector{selector::DistCode{"HUM", "PHIL"}},
       "DistCode { dist: \"HUM\", code: \"PHIL\" }"},
      {Selector{selector::Range{course("MATH", 1000), course("MATH", 1999)}},
       "Range { from: Class { department_id: \"MATH\", course_number: 1000, "
       "lab: false }, to: Class { department_id: \"MATH\", course_number: "
       "1999, lab: false } }"},
      {Selector{selector::RangeDist{course("PHYS", 2000),
                                    course("PHYS", 2999, true), "SCI"}},
       "RangeDist { from: Class { department_id: \"PHYS\", course_number: "
       "2000, lab: false }, to: Class { department_id: \"PHYS\", "
       "course_number: 2999, lab: true }, dist: \"SCI\" }"},
      {Selector{selector::RangeTag{course("ECON", 1), course("ECON", 65535),
                                   "Q\"R"}},
       "RangeTag { from: Class { department_id: \"ECON\", course_number: 1, "
       "lab: false }, to: Class { department_id: \"ECON\", course_number: "
       "65535, lab: false }, tag: \"Q\\\"R\" }"},
      {query_selector(query(quantity::Single{3}, JRLQueryType::Select,
                            {Selector{selector::Tag{""}}})),
       "Query(JRLQuery { quantity: Single(3), type: Select, selector: "
       "[Tag(\"\")] })"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(debug_text(c.selector), c.expected);
  }
}

TEST(DebugText, SmallRecords) {
  EXPECT_EQ(debug_text(course("CS&E", 0, true)),
            "Class { department_id: \"CS&E\", course_number: 0, lab: true }");
  EXPECT_EQ(debug_text(JRLQueryType::Select), "Select");
  EXPECT_EQ(debug_text(JRLQueryType::Limit), "Limit");
  const struct {
    Quantity quantity;
    std::string expected;
  } quantities[] = {
      {quantity::Single{2}, "Single(2)"},
      {quantity::Single{65535}, "Single(65535)"},
      {quantity::Many{1, 3}, "Many { from: 1, to: 3 }"},
      {quantity::Many{0, 0}, "Many { from: 0, to: 0 }"},
      {quantity::Many{10, 400}, "Many { from: 10, to: 400 }"},
  };
  for (const auto& c : quantities) {
    EXPECT_EQ(debug_text(c.quantity), c.expected);
  }
}

TEST(DebugText, TextEscaping) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"", R"("")"},
      {"plain text", R"("plain text")"},
      {"it's", R"("it's")"},
      {"a\"b", R"("a\"b")"},
      {"\"\"", R"("\"\"")"},
      {"a\\b", R"("a\\b")"},
      {"\t\r\n", R"("\t\r\n")"},
      {std::string("a\0b", 3), R"("a\0b")"},
      {"\x01\x1b\x1f\x7f", R"("\u{1}\u{1b}\u{1f}\u{7f}")"},
      {"~ !", R"("~ !")"},
      // Grapheme-extending characters, printable or not.
      {"e\xcc\x81", R"("e\u{301}")"},          // U+0301
      {"\xe2\x80\x8c", R"("\u{200c}")"},       // U+200C
      {"\xf3\xa0\x84\x80", R"("\u{e0100}")"},  // U+E0100
      // Not printable.
      {"\xc2\xa0", R"("\u{a0}")"},        // U+00A0 no-break space
      {"\xe2\x80\x8b", R"("\u{200b}")"},  // U+200B
      {"\xc2\xad", R"("\u{ad}")"},        // U+00AD soft hyphen
      {"\xc2\x85", R"("\u{85}")"},        // U+0085
      {"\xc2\x9f", R"("\u{9f}")"},        // U+009F
      {"\xee\x80\x80", R"("\u{e000}")"},  // U+E000 private use
      {"\xef\xbf\xbf", R"("\u{ffff}")"},  // U+FFFF unassigned
      {"\xe2\x80\xa8\xe2\x80\xa9", R"("\u{2028}\u{2029}")"},
      {"\xe3\x80\x80", R"("\u{3000}")"},        // U+3000 ideographic space
      {"\xf4\x8f\xbf\xbf", R"("\u{10ffff}")"},  // U+10FFFF
      // Printable characters of every UTF-8 length stand as they are.
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},            // é
      {"\xe4\xb8\xad", "\"\xe4\xb8\xad\""},          // U+4E2D
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},  // U+1F600
      {"\xef\xbf\xbd", "\"\xef\xbf\xbd\""},          // U+FFFD
      // Runs between escapes are kept in order.
      {"ab\tcd\xcc\x81"
       "ef\"",
       R"("ab\tcd\u{301}ef\"")"},
      // Bytes that are not UTF-8 become U+FFFD, one per byte.
      {"a\xff"
       "b",
       "\"a\xef\xbf\xbd"
       "b\""},
      {"\xe4\xb8", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
  };
  for (const auto& c : cases) {
    std::string out = "x=";
    append_escaped_text(out, c.text);
    EXPECT_EQ(out, "x=" + c.expected) << "input bytes: " << c.text;
  }
}

}  // namespace
}  // namespace jrl
