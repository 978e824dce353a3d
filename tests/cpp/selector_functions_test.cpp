// The table of selector functions against the grammar, the builders, the
// renderers and the one visit over selectors; and the cost of the warnings'
// comparison of selectors.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics/warnings.hpp"
#include "jrl/jrl.hpp"

namespace {

// A call of `f` with arguments of the kinds its row gives.
std::string call_of(const jrl::SelectorFunction& f, std::string_view name) {
  std::string text(name);
  text += '(';
  for (std::size_t i = 0; i < f.arity; ++i) {
    if (i != 0) text += ", ";
    text += f.argument_slots[i].kind == jrl::ArgumentKind::course
                ? std::string("MATH 1") + std::to_string(i) + "00"
                : std::string("\"s") + std::to_string(i) + "\"";
  }
  return text + ')';
}

std::string argument_text(const jrl::Class& course) {
  return std::string(course.department_id) + std::string(" ") +
         std::to_string(course.course_number);
}
std::string argument_text(std::string_view text) { return std::string(text); }

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

TEST(SelectorFunctions, EachRowIsReadBuiltAndRenderedAsItsAlternative) {
  for (const jrl::SelectorFunction& f : jrl::selector_functions()) {
    SCOPED_TRACE(std::string(f.name));
    EXPECT_EQ(jrl::find_selector_function(f.name), &f);
    EXPECT_EQ(jrl::find_selector_function(lower(f.name)), &f);
    std::string mixed = lower(f.name);
    mixed[0] = f.name[0];
    EXPECT_EQ(jrl::find_selector_function(mixed), nullptr);

    const auto statement = [&](std::string_view name) {
      return std::string("SELECT 1 FROM ") + call_of(f, name) + " : \"x\";";
    };
    const auto upper = jrl::parse(statement(f.name));
    const auto lowered = jrl::parse(statement(lower(f.name)));
    ASSERT_TRUE(upper && lowered);
    EXPECT_EQ(upper->parsed_jrl_file, lowered->parsed_jrl_file);
    const jrl::Selector& s =
        upper->parsed_jrl_file.requirements.at(0).query.selector[0];
    EXPECT_EQ(s.value.index(), f.index);

    // The visit hands over the row and the arguments in written order.
    std::string written;
    const jrl::SelectorFunction* row = jrl::visit(
        s, jrl::Overloaded{
               [&](const jrl::SelectorFunction& r, const auto&... args) {
                 ((written += argument_text(args) + ","), ...);
                 return &r;
               },
               [](const jrl::JRLQuery&) {
                 return static_cast<const jrl::SelectorFunction*>(nullptr);
               }});
    EXPECT_EQ(row, &f);
    std::string expected;
    for (std::size_t i = 0; i < f.arity; ++i) {
      expected += (f.argument_slots[i].kind == jrl::ArgumentKind::course
                       ? std::string("MATH 1") + std::to_string(i) + "00"
                       : std::string("s") + std::to_string(i)) +
                  ",";
    }
    EXPECT_EQ(written, expected);

    const std::string debug = jrl::debug_text(s);
    EXPECT_TRUE(debug.starts_with(std::string(f.alternative) +
                                  (f.arity == 1 ? "(" : " { ")))
        << debug;
    const std::string tag = std::string("{\"") + std::string(f.alternative);
    EXPECT_NE(upper->to_string()->find(tag + "\":"), std::string::npos);
  }
}

TEST(SelectorFunctions, UnknownNamesAreSuggestedByRank) {
  struct Case {
    std::string_view written;
    std::string_view suggested;
  };
  // "X" is equally far from every name: the highest rank wins.
  const Case cases[] = {{"X", "RANGE_TAG"},       {"CLAS", "CLASS"},
                        {"TAGDEPT", "TAG_DEPT"}, {"tag_dep", "TAG_DEPT"},
                        {"DIST_TAG", "DIST"},    {"RNG", "RANGE"},
                        {"TD_", "TAG_DEPT"},     {"PLACE", "PLACEMENT"}};
  for (const Case& c : cases) {
    const auto result = jrl::parse(std::string("SELECT 1 FROM ") +
                                   std::string(c.written) + "(\"a\") : \"x\";");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().innermost().text(),
              std::string("not a valid query (Did you mean: ") +
                  std::string(c.suggested) + ")")
        << c.written;
  }
}

// A file nested `depth` deep with a list of `width` tags at each level, the
// first written twice, and the count of calls it holds.
std::pair<std::string, std::size_t> nested_lists(int depth, int width) {
  std::string text;
  std::size_t calls = 0;
  for (int level = 0; level < depth; ++level) {
    text += "SELECT 1 FROM [TAG(\"t0\")";
    for (int i = 0; i < width; ++i) {
      text += std::string(", TAG(\"t") + std::to_string(i) + "\")";
    }
    text += ", ";
    calls += width + 1;
  }
  text += "TAG(\"end\")";
  text += std::string(depth, ']') + " : \"x\";";
  return {text, calls + 1};
}

// Comparing selectors keys each function call once and each nested query
// from its items' keys: the work grows with the text, not with the text
// times its depth.
TEST(Warnings, DuplicateSelectorsCostLinearWork) {
  for (int depth : {1, 16, 255}) {
    const auto [text, calls] = nested_lists(depth, 40);
    SCOPED_TRACE(depth);
    jrl::SourceMap map;
    const auto parsed = jrl::parse(text, map);
    ASSERT_TRUE(parsed.has_value());
    jrl::diagnostics::WarningWork work;
    jrl::diagnostics::WarningFinder finder(10000, &work);
    finder.read(parsed->parsed_jrl_file.requirements.at(0), text,
                map.requirements.at(0), map.selectors);
    const auto warnings = std::move(finder).take();
    EXPECT_EQ(warnings.size(), static_cast<std::size_t>(depth));  // each "t0"
    EXPECT_EQ(work.calls_keyed, calls);
    EXPECT_LE(work.key_bytes, 4 * text.size());
  }
}

}  // namespace
