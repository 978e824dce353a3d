// Report texts of errors bound to the input, and grammar-failure messages.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "jrl/error.hpp"
#include "language/grammar.hpp"
#include "language/grammar_message.hpp"

namespace jrl {
namespace {

struct ReportCase {
  const char* name;
  std::string_view input;
  std::size_t start;
  std::optional<std::size_t> end;  // none for a report at a position
  std::string message;
  std::string path;
  std::string expected;
};

class ReportRenderTest : public testing::TestWithParam<ReportCase> {};

TEST_P(ReportRenderTest, RendersExactText) {
  const ReportCase& c = GetParam();
  const Error error =
      c.end ? Error::over_span(c.input, c.start, *c.end, c.message)
            : Error::at_position(c.input, c.start, c.message);
  ASSERT_NE(error.report(), nullptr) << error.render();
  EXPECT_EQ(error.report()->render(c.path), c.expected);
  EXPECT_EQ(error.render(c.path), c.expected);
}

const ReportCase REPORT_CASES[] = {
    {"ZeroQuantitySpan", R"(SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)", 7,
     8, "cannot select zero", "",
     " --> 1:8\n"
     "  |\n"
     R"(1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
     "\n"
     "  |        ^\n"
     "  |\n"
     "  = cannot select zero"},
    {"MissingSemicolonPosition", R"(SELECT 1 FROM CLASS(MATH 1200) : "x")", 23,
     std::nullopt, "expected class id (4-digit int)", "",
     " --> 1:24\n"
     "  |\n"
     R"(1 | SELECT 1 FROM CLASS(MATH 1200) : "x")"
     "\n"
     "  |                        ^---\n"
     "  |\n"
     "  = expected class id (4-digit int)"},
    {"EndOfInputWithoutLineFeed", "SELECT 1\nFROM", 13, std::nullopt,
     "expected selector", "",
     " --> 2:5\n"
     "  |\n"
     "2 | FROM\n"
     "  |     ^---\n"
     "  |\n"
     "  = expected selector"},
    {"EndOfInputAfterLineFeed", "SELECT 1;\n", 10, std::nullopt, "m", "",
     " --> 2:1\n"
     "  |\n"
     "2 | \n"
     "  | ^---\n"
     "  |\n"
     "  = m"},
    {"AtLineFeed", "SELECT 1\nFROM", 8, std::nullopt, "expected from", "",
     " --> 1:9\n"
     "  |\n"
     "1 | SELECT 1\u240A\n"
     "  |         ^---\n"
     "  |\n"
     "  = expected from"},
    {"AtCarriageReturnOfCrLf", "ab\r\ncd", 2, std::nullopt, "m", "",
     " --> 1:3\n"
     "  |\n"
     "1 | ab\u240D\u240A\n"
     "  |   ^---\n"
     "  |\n"
     "  = m"},
    {"AtLineFeedOfCrLf", "ab\r\ncd", 3, std::nullopt, "m", "",
     " --> 1:4\n"
     "  |\n"
     "1 | ab\u240D\u240A\n"
     "  |    ^---\n"
     "  |\n"
     "  = m"},
    {"AfterCrLf", "SELECT 1\r\nFROM x\r\n", 15, std::nullopt, "m", "",
     " --> 2:6\n"
     "  |\n"
     "2 | FROM x\n"
     "  |      ^---\n"
     "  |\n"
     "  = m"},
    {"TabsKeptInUnderline", "\tSELECT\t0", 8, std::nullopt, "m", "",
     " --> 1:9\n"
     "  |\n"
     "1 | \tSELECT\t0\n"
     "  | \t      \t^---\n"
     "  |\n"
     "  = m"},
    {"LineTenWidensGutter", "\n\n\n\n\n\n\n\n\nSELECT x", 16, std::nullopt,
     "expected quantity", "",
     "  --> 10:8\n"
     "   |\n"
     "10 | SELECT x\n"
     "   |        ^---\n"
     "   |\n"
     "   = expected quantity"},
    {"MultiByteCharacterCountsOnce", "TAG(\"caf\u00E9\") X", 13, std::nullopt,
     "m", "",
     " --> 1:13\n"
     "  |\n"
     "1 | TAG(\"caf\u00E9\") X\n"
     "  |             ^---\n"
     "  |\n"
     "  = m"},
    {"FourByteCharacterCountsOnce", "\"\U0001F642\" X", 7, std::nullopt, "m",
     "",
     " --> 1:5\n"
     "  |\n"
     "1 | \"\U0001F642\" X\n"
     "  |     ^---\n"
     "  |\n"
     "  = m"},
    {"SpanOfTwo", "SELECT 10 FROM", 7, 9, "m", "",
     " --> 1:8\n"
     "  |\n"
     "1 | SELECT 10 FROM\n"
     "  |        ^^\n"
     "  |\n"
     "  = m"},
    {"SpanOfFive", "SELECT 1 FROM CLASS(MATHS 1200)", 20, 25,
     "this department does not exist in Wexmoor's course catalog (Did you "
     "mean: MATH)",
     "",
     " --> 1:21\n"
     "  |\n"
     "1 | SELECT 1 FROM CLASS(MATHS 1200)\n"
     "  |                     ^---^\n"
     "  |\n"
     "  = this department does not exist in Wexmoor's course catalog (Did "
     "you mean: MATH)"},
    {"SpanAcrossTwoLines", "SELECT 1 FROM TAG(\"a\nb\") : \"x\";\n", 18, 23,
     "m", "",
     " --> 1:19\n"
     "  |\n"
     "1 | SELECT 1 FROM TAG(\"a\n"
     "2 | b\") : \"x\";\u240A\n"
     "  |  ^----------------^\n"
     "  |\n"
     "  = m"},
    {"SpanAcrossLinesNineAndTen", "\n\n\n\n\n\n\n\nTAG(\"a\nb\")", 12, 17, "m",
     "",
     "  --> 9:5\n"
     "   |\n"
     " 9 | TAG(\"a\n"
     "10 | b\")\n"
     "   |  ^--^\n"
     "   |\n"
     "   = m"},
    {"SpanAcrossThreeLines", "TAG(\"a\nb\nc\")", 4, 11, "m", "",
     " --> 1:5\n"
     "  |\n"
     "1 | TAG(\"a\n"
     "  | ...\n"
     "3 | c\")\n"
     "  |  ^--^\n"
     "  |\n"
     "  = m"},
    {"SpanAcrossLinesEndingRightOfStart", "ab\ncdef", 1, 6, "m", "",
     " --> 1:2\n"
     "  |\n"
     "1 | ab\n"
     "2 | cdef\n"
     "  |  ^^\n"
     "  |\n"
     "  = m"},
    {"SpanEndingAfterLineFeed", "ab\ncd", 0, 3, "m", "",
     " --> 1:1\n"
     "  |\n"
     "1 | ab\u240A\n"
     "  | ^-^\n"
     "  |\n"
     "  = m"},
    {"SpanEndingAfterCrLf", "ab\r\ncd", 0, 4, "m", "",
     " --> 1:1\n"
     "  |\n"
     "1 | ab\u240D\u240A\n"
     "  | ^--^\n"
     "  |\n"
     "  = m"},
    {"PathInHeader", R"(SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)", 7, 8,
     "cannot select zero", "reqs/cs.jrl",
     " --> reqs/cs.jrl:1:8\n"
     "  |\n"
     R"(1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
     "\n"
     "  |        ^\n"
     "  |\n"
     "  = cannot select zero"},
};

INSTANTIATE_TEST_SUITE_P(Reports, ReportRenderTest,
                         testing::ValuesIn(REPORT_CASES),
                         [](const auto& info) { return info.param.name; });

// The report of a report error, none for any other error.
std::optional<ReportError> report_of(const Error& error) {
  if (error.report() == nullptr) return std::nullopt;
  return *error.report();
}

TEST(ReportErrorTest, LineAndColumnData) {
  // A lone carriage return is a column; CRLF ends a line once.
  const auto lone_cr = report_of(Error::at_position("a\rb\r\nc", 2, "m"));
  ASSERT_TRUE(lone_cr.has_value());
  EXPECT_EQ(lone_cr->start_line_col(), (LineCol{1, 3}));
  EXPECT_EQ(lone_cr->line(), "ab");
  EXPECT_EQ(lone_cr->message(), "m");
  EXPECT_EQ(lone_cr->start(), 2u);
  EXPECT_FALSE(lone_cr->end().has_value());
  EXPECT_FALSE(lone_cr->end_line_col().has_value());

  const auto after_crlf = report_of(Error::at_position("a\rb\r\nc", 5, "m"));
  ASSERT_TRUE(after_crlf.has_value());
  EXPECT_EQ(after_crlf->start_line_col(), (LineCol{2, 1}));

  // The end of a span just past a line break moves back onto its line.
  const auto span = report_of(Error::over_span("ab\ncd", 0, 3, "m"));
  ASSERT_TRUE(span.has_value());
  EXPECT_EQ(span->end_line_col(), (LineCol{1, 4}));
  EXPECT_FALSE(span->continued_line().has_value());
  EXPECT_EQ(span->end(), 3u);
}

TEST(ReportErrorTest, ContinuedLineKeptWhenSpanEdgeIsLineBreak) {
  const auto span = report_of(Error::over_span("ab\ncd\nef", 1, 6, "m"));
  ASSERT_TRUE(span.has_value());
  EXPECT_EQ(span->start_line_col(), (LineCol{1, 2}));
  EXPECT_EQ(span->end_line_col(), (LineCol{2, 4}));
  EXPECT_EQ(span->line(), "ab\u240A");
  EXPECT_EQ(span->continued_line(), std::optional<std::string>("cd\n"));
}

TEST(ReportErrorTest, PositionOutOfBounds) {
  for (const Error& error : {Error::at_position("abc", 4, "m"),
                             Error::over_span("abc", 4, 4, "m"),
                             Error::over_span("abc", 1, 5, "m")}) {
    EXPECT_EQ(error.render(), "position out of bounds");
    EXPECT_TRUE(error.is_internal());
    EXPECT_EQ(error.report(), nullptr);
  }
  const Error reversed = Error::over_span("abc", 2, 1, "m");
  EXPECT_TRUE(reversed.is_internal());
  EXPECT_EQ(reversed.render(), "span ends before its start");
  EXPECT_NE(Error::at_position("abc", 3, "m").report(), nullptr);
  EXPECT_NE(Error::over_span("abc", 3, 3, "m").report(), nullptr);
}

TEST(ReportErrorTest, LongSingleLine) {
  const std::string input(10'000'000, 'x');
  const Error error = Error::at_position(input, input.size(), "m");
  ASSERT_NE(error.report(), nullptr);
  EXPECT_EQ(error.report()->start_line_col(), (LineCol{1, 10'000'001}));
  EXPECT_EQ(error.report()->line().size(), input.size());
}

// Long lines cut around the mark: the header keeps the true column, the
// underline stands under the same characters, "..." marks each cut, and a
// line of at most the given length is left whole.
TEST(ReportErrorTest, ShortLinesAroundTheMark) {
  const std::string a200(200, 'a');
  const std::string b200(200, 'b');
  const std::string wide = "\xC3\xA9";  // one character, two bytes
  std::string accents;
  for (int i = 0; i < 200; ++i) accents += wide;
  struct Case {
    const char* name;
    std::string input;
    std::size_t start;
    std::optional<std::size_t> end;
    std::string expected;
  };
  const Case cases[] = {
      {"both sides", a200 + "XYZ" + b200, 200, 203,
       " --> 1:201\n  |\n1 | ..." + std::string(10, 'a') + "XYZ" +
           std::string(10, 'b') + "...\n  |    " + std::string(10, ' ') +
           "^-^\n  |\n  = m"},
      {"near the start", "XYZ" + b200, 0, 3,
       " --> 1:1\n  |\n1 | XYZ" + std::string(10, 'b') +
           "...\n  | ^-^\n  |\n  = m"},
      {"near the end", a200 + "XYZ", 200, 203,
       " --> 1:201\n  |\n1 | ..." + std::string(10, 'a') +
           "XYZ\n  |    " + std::string(10, ' ') + "^-^\n  |\n  = m"},
      {"a position", a200 + "X" + b200, 200, std::nullopt,
       " --> 1:201\n  |\n1 | ..." + std::string(10, 'a') + "X" +
           std::string(10, 'b') + "...\n  |    " + std::string(10, ' ') +
           "^---\n  |\n  = m"},
      {"multibyte characters", accents + "XYZ" + accents, 400, 403,
       " --> 1:201\n  |\n1 | ..." + accents.substr(0, 20) + "XYZ" +
           accents.substr(0, 20) + "...\n  |    " + std::string(10, ' ') +
           "^-^\n  |\n  = m"},
      {"short line", std::string(18, 'a') + "XYZ" + std::string(19, 'b'), 18,
       21,
       " --> 1:19\n  |\n1 | " + std::string(18, 'a') + "XYZ" +
           std::string(19, 'b') + "\n  | " + std::string(18, ' ') +
           "^-^\n  |\n  = m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Error error = c.end ? Error::over_span(c.input, c.start, *c.end, "m")
                        : Error::at_position(c.input, c.start, "m");
    const LineCol start = error.report()->start_line_col();
    const Error shortened = Error::wrap("context", std::move(error))
                                .with_short_lines(40, 10);
    const ReportError* report = shortened.innermost().report();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->render(), c.expected);
    EXPECT_EQ(report->start_line_col(), start);
    EXPECT_EQ(report->start(), c.start);
    EXPECT_EQ(shortened.outermost().text(), "context");
  }
}

struct MessageCase {
  const char* name;
  SyntaxError error;
  std::string expected;
};

class GrammarMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(GrammarMessageTest, ListsDisplayNames) {
  EXPECT_EQ(grammar_message(GetParam().error), GetParam().expected);
}

const MessageCase MESSAGE_CASES[] = {
    {"OneExpected",
     {23, {Rule::class_id}, {}},
     "expected class id (4-digit int)"},
    {"TwoExpected",
     {0, {Rule::quantity_single, Rule::quantity}, {}},
     "expected quantity (u16) or quantity: (single: u16) or (multiple: "
     "u16-u16)"},
    {"ThreeExpected",
     {0, {Rule::class_, Rule::placement, Rule::tag}, {}},
     "expected <CLASS> primitive, placement, or tag"},
    {"FourExpected",
     {0, {Rule::EOI, Rule::lpar, Rule::rpar, Rule::semicolon}, {}},
     "expected EOI, (, ), or ;"},
    {"FiveExpected",
     {0,
      {Rule::class_, Rule::placement, Rule::tag_dept, Rule::selector_list,
       Rule::statement},
      {}},
     "expected <CLASS> primitive, placement, tag_dept, selector_list, or "
     "statement"},
    {"UnexpectedOnly",
     {0, {}, {Rule::string}},
     "unexpected <STRING> primitive"},
    {"UnexpectedAndExpected",
     {0, {Rule::class_, Rule::query_argument}, {Rule::department_id}},
     "unexpected department id (4-symbols); expected <CLASS> primitive or "
     "query argument (<CLASS> or <STRING> primitives)"},
    {"Neither", {0, {}, {}}, "unknown parsing error"},
};

INSTANTIATE_TEST_SUITE_P(Messages, GrammarMessageTest,
                         testing::ValuesIn(MESSAGE_CASES),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace jrl
