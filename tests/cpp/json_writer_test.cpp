#include <gtest/gtest.h>

#include <expected>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "jrl/parse.hpp"
#include "test_arena.hpp"

namespace jrl {
namespace {

std::string read_data(const std::string& name) {
  std::ifstream in(std::string(JRL_TEST_DATA_DIR) + "/json/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), {}};
}

Class course(std::string_view department, std::uint16_t number,
             bool lab = false) {
  return Class{kept(department), number, lab};
}

Selector sel(Selector::Variant value) { return Selector{std::move(value)}; }

JRLQuery query(Quantity quantity, JRLQueryType type,
               const std::vector<Selector>& selectors) {
  return JRLQuery{quantity, type, test_arena().selectors(selectors)};
}

ParseResult file(std::vector<JRLRequirement> requirements) {
  ParseResult result;
  result.parsed_jrl_file.requirements = std::move(requirements);
  return result;
}

// One requirement selecting `Single` 1 from `selectors`.
ParseResult one_requirement(std::vector<Selector> selectors,
                            std::string description = "d",
                            std::uint16_t priority = 1) {
  std::vector<JRLRequirement> requirements;
  requirements.push_back(JRLRequirement{
      query(quantity::Single{1}, JRLQueryType::Select, selectors),
      kept(description), priority});
  return file(std::move(requirements));
}

// The written text, moved out so that its capacity is the writer's. The
// writer counts the text before writing it, so every text of these tests is
// also checked to sit in a buffer of its own size (a few bytes of slack):
// a token counted short or long shows here.
std::string written(std::expected<std::string, Error> text) {
  EXPECT_TRUE(text.has_value());
  if (!text) return "<error>";
  std::string out = std::move(*text);
  EXPECT_LE(out.capacity() - out.size(), 16u)
      << "size " << out.size() << ", capacity " << out.capacity();
  return out;
}

std::string compact(const ParseResult& result) {
  return written(result.to_string());
}

std::string pretty(const ParseResult& result) {
  return written(result.to_string_pretty());
}

ParseResult worked_example() {
  return one_requirement({sel(selector::Class{course("MATH", 1200)})},
                         "Calculus");
}

TEST(JsonWriter, WorkedExampleCompact) {
  EXPECT_EQ(compact(worked_example()),
            R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
            R"({"Single":1},"type":"Select","selector":[{"Class":)"
            R"({"department_id":"MATH","course_number":1200,"lab":false}}]},)"
            R"("description":"Calculus","priority":1}]})");
}

TEST(JsonWriter, WorkedExamplePretty) {
  EXPECT_EQ(pretty(worked_example()), read_data("worked_example_pretty.json"));
}

TEST(JsonWriter, EmptyFile) {
  EXPECT_EQ(compact(file({})), R"({"version":"0.1.6","requirements":[]})");
  EXPECT_EQ(pretty(file({})),
            "{\n  \"version\": \"0.1.6\",\n  \"requirements\": []\n}");
}

// Each selector variant inside one requirement; only the selector differs.
TEST(JsonWriter, SelectorVariantsCompact) {
  const std::string prefix =
      R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
      R"({"Single":1},"type":"Select","selector":[)";
  const std::string suffix = R"(]},"description":"d","priority":1}]})";
  const std::string math1200 =
      R"({"department_id":"MATH","course_number":1200,"lab":false})";
  const std::string math2999 =
      R"({"department_id":"MATH","course_number":2999,"lab":true})";
  struct Case {
    const char* name;
    Selector selector;
    std::string expected;
  };
  Case cases[] = {
      {"Class", sel(selector::Class{course("MATH", 1200)}),
       R"({"Class":)" + math1200 + "}"},
      {"Placement", sel(selector::Placement{"WX MATH"}),
       R"({"Placement":"WX MATH"})"},
      {"Tag", sel(selector::Tag{"WX FYS"}), R"({"Tag":"WX FYS"})"},
      {"TagCode", sel(selector::TagCode{"WX QR", "MATH"}),
       R"({"TagCode":{"tag":"WX QR","code":"MATH"}})"},
      {"Dist", sel(selector::Dist{"WX HUM"}), R"({"Dist":"WX HUM"})"},
      {"DistCode", sel(selector::DistCode{"WX HUM", "ENGL"}),
       R"({"DistCode":{"dist":"WX HUM","code":"ENGL"}})"},
      {"Range",
       sel(selector::Range{course("MATH", 1200), course("MATH", 2999, true)}),
       R"({"Range":{"from":)" + math1200 + R"(,"to":)" + math2999 + "}}"},
      {"RangeDist",
       sel(selector::RangeDist{course("MATH", 1200), course("MATH", 2999, true),
                               "WX SCI"}),
       R"({"RangeDist":{"from":)" + math1200 + R"(,"to":)" + math2999 +
           R"(,"dist":"WX SCI"}})"},
      {"RangeTag",
       sel(selector::RangeTag{course("MATH", 1200), course("MATH", 2999, true),
                              "WX QR"}),
       R"({"RangeTag":{"from":)" + math1200 + R"(,"to":)" + math2999 +
           R"(,"tag":"WX QR"}})"},
      {"Query",
       sel(selector::Query{query(quantity::Many{0, 2}, JRLQueryType::Limit,
                                 {sel(selector::Tag{"T"})})}),
       R"({"Query":{"quantity":{"Many":{"from":0,"to":2}},"type":"Limit",)"
       R"("selector":[{"Tag":"T"}]}})"},
  };
  for (auto& c : cases) {
    std::vector<Selector> selectors;
    selectors.push_back(std::move(c.selector));
    EXPECT_EQ(compact(one_requirement(std::move(selectors))),
              prefix + c.expected + suffix)
        << c.name;
  }
}

TEST(JsonWriter, QuantityAndTypeCompact) {
  struct Case {
    Quantity quantity;
    JRLQueryType type;
    const char* expected;
  };
  const Case cases[] = {
      {quantity::Single{2}, JRLQueryType::Select,
       R"("quantity":{"Single":2},"type":"Select")"},
      {quantity::Many{2, 4}, JRLQueryType::Select,
       R"("quantity":{"Many":{"from":2,"to":4}},"type":"Select")"},
      {quantity::Single{1}, JRLQueryType::Limit,
       R"("quantity":{"Single":1},"type":"Limit")"},
      {quantity::Many{0, 65535}, JRLQueryType::Limit,
       R"("quantity":{"Many":{"from":0,"to":65535}},"type":"Limit")"},
  };
  for (const auto& c : cases) {
    std::vector<JRLRequirement> requirements;
    requirements.push_back(
        JRLRequirement{query(c.quantity, c.type, {}), "d", 1});
    EXPECT_EQ(compact(file(std::move(requirements))),
              std::string(R"({"version":"0.1.6","requirements":[{"query":{)") +
                  c.expected +
                  R"(,"selector":[]},"description":"d","priority":1}]})");
  }
}

TEST(JsonWriter, NumberBoundsAndLab) {
  EXPECT_EQ(
      compact(one_requirement({sel(selector::Class{course("ARTS", 0, true)}),
                               sel(selector::Class{course("ARTS", 65535)})},
                              "d", 0)),
      R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
      R"({"Single":1},"type":"Select","selector":[)"
      R"({"Class":{"department_id":"ARTS","course_number":0,"lab":true}},)"
      R"({"Class":{"department_id":"ARTS","course_number":65535,"lab":false}})"
      R"(]},"description":"d","priority":0}]})");
  EXPECT_EQ(compact(one_requirement({}, "d", 65535)),
            R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
            R"({"Single":1},"type":"Select","selector":[]},)"
            R"("description":"d","priority":65535}]})");
}

TEST(JsonWriter, NestedQueriesPretty) {
  auto inner = query(quantity::Many{0, 2}, JRLQueryType::Select,
                     {sel(selector::RangeTag{course("MATH", 2000),
                                             course("MATH", 2999), "WX QR"})});
  std::vector<Selector> middle;
  middle.push_back(sel(selector::Query{std::move(inner)}));
  std::vector<Selector> outer;
  outer.push_back(sel(selector::Class{course("CSCI", 1100, true)}));
  outer.push_back(sel(selector::Query{
      query(quantity::Single{1}, JRLQueryType::Limit, std::move(middle))}));
  std::vector<JRLRequirement> requirements;
  requirements.push_back(JRLRequirement{
      query(quantity::Many{1, 2}, JRLQueryType::Select, std::move(outer)),
      "Core", 2});
  requirements.push_back(
      JRLRequirement{query(quantity::Single{1}, JRLQueryType::Select,
                           {sel(selector::Tag{"WX FYS"})}),
                     "Seminar", 1});
  EXPECT_EQ(pretty(file(std::move(requirements))),
            read_data("nested_query_pretty.json"));
}

TEST(JsonWriter, StringEscapes) {
  struct Case {
    std::string text;
    const char* expected;  // the description's JSON string
  };
  const Case cases[] = {
      {"say \"hi\"", R"("say \"hi\"")"},
      {"a\\b", R"("a\\b")"},
      {"a\tb", R"("a\tb")"},
      {"\x01", R"("\u0001")"},
      {"\x1f", R"("\u001f")"},
      {std::string("a\0b", 3), R"("a\u0000b")"},
      {"\x08\x0c", R"("\b\f")"},
      {"\r\n", R"("\r\n")"},
      {"a/b\x7f", "\"a/b\x7f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
      {"\"\\\"", R"("\"\\\"")"},
      {"", R"("")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compact(one_requirement({}, c.text)),
              std::string(R"({"version":"0.1.6","requirements":[{"query":)"
                          R"({"quantity":{"Single":1},"type":"Select",)"
                          R"("selector":[]},"description":)") +
                  c.expected + R"(,"priority":1}]})")
        << c.expected;
  }
  // Selector texts take the same escapes.
  EXPECT_EQ(
      compact(one_requirement({sel(selector::TagCode{"a\"", "\n"})})),
      R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
      R"({"Single":1},"type":"Select","selector":[{"TagCode":)"
      R"({"tag":"a\"","code":"\n"}}]},"description":"d","priority":1}]})");
}

// Outputs far past the initial buffer, with escapes that grow it mid-string.
TEST(JsonWriter, LongOutput) {
  std::string quotes(5000, '"');
  std::string escaped;
  for (int i = 0; i < 5000; ++i) escaped += "\\\"";
  EXPECT_EQ(compact(one_requirement({}, quotes)),
            R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
            R"({"Single":1},"type":"Select","selector":[]},"description":")" +
                escaped + R"(","priority":1}]})");

  // Escapes first, then a long run that must still find room.
  std::string controls = std::string(100, '\x01') + std::string(1000, 'a');
  std::string controls_escaped;
  for (int i = 0; i < 100; ++i) controls_escaped += "\\u0001";
  controls_escaped += std::string(1000, 'a');
  EXPECT_EQ(compact(one_requirement({}, controls)),
            R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
            R"({"Single":1},"type":"Select","selector":[]},"description":")" +
                controls_escaped + R"(","priority":1}]})");

  std::vector<Selector> selectors;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    selectors.push_back(sel(selector::Tag{"WX \x01"}));
    expected += i == 0 ? "" : ",";
    expected += R"({"Tag":"WX \u0001"})";
  }
  EXPECT_EQ(compact(one_requirement(std::move(selectors))),
            R"({"version":"0.1.6","requirements":[{"query":{"quantity":)"
            R"({"Single":1},"type":"Select","selector":[)" +
                expected + R"(]},"description":"d","priority":1}]})");
}

// The returned text keeps little spare capacity, whatever the file's size and
// however its requirements vary in size (uniform ones, ones that grow, ones
// that shrink).
TEST(JsonWriter, ReturnedTextKeepsLittleSpareCapacity) {
  enum class Shape { Uniform, Growing, Shrinking };
  struct Case {
    std::size_t requirements;
    Shape shape;
  };
  const Case cases[] = {
      {1, Shape::Uniform},     {3, Shape::Uniform},
      {100, Shape::Uniform},   {5000, Shape::Uniform},
      {100, Shape::Growing},   {5000, Shape::Growing},
      {100, Shape::Shrinking}, {5000, Shape::Shrinking},
  };
  for (const Case& c : cases) {
    std::vector<JRLRequirement> requirements;
    for (std::size_t i = 0; i < c.requirements; ++i) {
      const std::size_t length = c.shape == Shape::Uniform   ? 40
                                 : c.shape == Shape::Growing ? 1 + i / 4
                                                             : 1 + (c.requirements - i) / 4;
      requirements.push_back(JRLRequirement{
          query(quantity::Single{1}, JRLQueryType::Select,
                {sel(selector::Tag{"WX"})}),
          kept(std::string(length, 'd')), 1});
    }
    const ParseResult result = file(std::move(requirements));
    for (const bool is_pretty : {false, true}) {
      // Moved out, not copied: a copy would hide the writer's capacity.
      auto written = is_pretty ? result.to_string_pretty() : result.to_string();
      ASSERT_TRUE(written.has_value());
      const std::string text = std::move(*written);
      EXPECT_LE(text.capacity() - text.size(), text.size() / 8 + 256)
          << c.requirements << " requirements, shape "
          << static_cast<int>(c.shape) << (is_pretty ? ", pretty" : ", compact")
          << ": size " << text.size() << ", capacity " << text.capacity();
    }
  }
}

}  // namespace
}  // namespace jrl
