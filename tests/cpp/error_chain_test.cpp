// Error values and the text of a whole error chain.
#include <gtest/gtest.h>

#include <string>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"
#include "jrl/parse.hpp"

namespace jrl {
namespace {

Error zero_quantity_report() {
  Error error =
      Error::over_span(R"(SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)", 7, 8,
                       "cannot select zero");
  EXPECT_EQ(error.kind(), ErrorKind::report);
  return error;
}

Error too_large() {
  return Error::conversion("number too large to fit in target type");
}

struct ChainCase {
  const char* name;
  Error error;
  std::string expected;
};

class ErrorChainTest : public testing::TestWithParam<ChainCase> {};

TEST_P(ErrorChainTest, RendersChain) {
  EXPECT_EQ(GetParam().error.render(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, ErrorChainTest,
    testing::Values(
        ChainCase{"PlainMessage", Error::message("failed parsing selector"),
                  "failed parsing selector"},
        ChainCase{"ReportAlone", zero_quantity_report(),
                  " --> 1:8\n"
                  "  |\n"
                  R"(1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
                  "\n"
                  "  |        ^\n"
                  "  |\n"
                  "  = cannot select zero"},
        ChainCase{"OneCause",
                  Error::wrap("selection could not fit as u16", too_large()),
                  "selection could not fit as u16\n"
                  "\n"
                  "Caused by:\n"
                  "    number too large to fit in target type"},
        ChainCase{
            "OneMultiLineCause",
            Error::wrap("failed parsing quantity", zero_quantity_report()),
            "failed parsing quantity\n"
            "\n"
            "Caused by:\n"
            "     --> 1:8\n"
            "      |\n"
            R"(    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
            "\n"
            "      |        ^\n"
            "      |\n"
            "      = cannot select zero"},
        ChainCase{"TwoCausesNumbered",
                  Error::wrap("failed parsing quantity",
                              Error::wrap("selection could not fit as u16",
                                          too_large())),
                  "failed parsing quantity\n"
                  "\n"
                  "Caused by:\n"
                  "    0: selection could not fit as u16\n"
                  "    1: number too large to fit in target type"},
        ChainCase{"ThreeCausesNumberedWithContinuation",
                  Error::wrap("failed parsing selector",
                              Error::wrap("could not parse nested query",
                                          Error::wrap("failed parsing quantity",
                                                      zero_quantity_report()))),
                  "failed parsing selector\n"
                  "\n"
                  "Caused by:\n"
                  "    0: could not parse nested query\n"
                  "    1: failed parsing quantity\n"
                  "    2:  --> 1:8\n"
                  "         |\n"
                  R"(       1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
                  "\n"
                  "         |        ^\n"
                  "         |\n"
                  "         = cannot select zero"},
        ChainCase{"EmptyLineInCauseIndented",
                  Error::wrap("outer", Error::message("a\n\nb")),
                  "outer\n"
                  "\n"
                  "Caused by:\n"
                  "    a\n"
                  "    \n"
                  "    b"},
        ChainCase{"InternalPassesThroughWrap",
                  Error::wrap("failed parsing selector",
                              Error::internal("internal error: bad node")),
                  "internal error: bad node"}),
    [](const auto& info) { return info.param.name; });

TEST(ErrorTest, PathReachesReportInChain) {
  const Error error =
      Error::wrap("failed parsing quantity", zero_quantity_report());
  EXPECT_EQ(error.render("a.jrl"),
            "failed parsing quantity\n"
            "\n"
            "Caused by:\n"
            "     --> a.jrl:1:8\n"
            "      |\n"
            R"(    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";)"
            "\n"
            "      |        ^\n"
            "      |\n"
            "      = cannot select zero");
}

TEST(ErrorTest, ChainAsData) {
  const Error error =
      Error::wrap("failed parsing quantity", zero_quantity_report());
  EXPECT_EQ(error.kind(), ErrorKind::context);
  EXPECT_EQ(error.report(), nullptr);
  const Error::Frames frames = error.frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(&frames[0], &error.outermost());
  EXPECT_EQ(&frames[1], &error.innermost());
  const ErrorFrame& inner = frames[1];
  EXPECT_EQ(inner.kind(), ErrorKind::report);
  EXPECT_EQ(inner.text(), "cannot select zero");
  ASSERT_NE(inner.report(), nullptr);
  EXPECT_EQ(inner.report()->start_line_col(), (LineCol{1, 8}));
  EXPECT_EQ(inner.report()->end_line_col(), (LineCol{1, 9}));
  EXPECT_EQ(error.own_text(), "failed parsing quantity");
  EXPECT_EQ(inner.own_text(), zero_quantity_report().render());
}

TEST(ErrorTest, CopiesAreDeepAndEqual) {
  std::optional<Error> original =
      Error::wrap("outer", Error::wrap("middle", zero_quantity_report()));
  const Error copy = *original;
  Error assigned = Error::message("other");
  EXPECT_NE(assigned, copy);
  assigned = copy;
  const std::string text = original->render();
  original.reset();
  EXPECT_EQ(copy.render(), text);
  EXPECT_EQ(assigned, copy);

  // Self-assignment keeps the value; a move carries the whole chain.
  const Error& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned, copy);
  const Error moved = std::move(assigned);
  EXPECT_EQ(moved, copy);
  EXPECT_EQ(moved.render(), text);
  assigned = Error::message("again");
  EXPECT_EQ(assigned.render(), "again");
}

TEST(ErrorTest, EqualityLooksAtWholeChain) {
  EXPECT_EQ(Error::wrap("a", too_large()), Error::wrap("a", too_large()));
  EXPECT_NE(Error::wrap("a", too_large()),
            Error::wrap("a", Error::conversion("invalid digit found in "
                                               "string")));
  EXPECT_NE(Error::wrap("a", too_large()),
            Error::wrap("a", Error::message(too_large().text())));
  EXPECT_NE(Error::wrap("a", too_large()), too_large());
}

TEST(ErrorTest, VeryLongChainIsCopiedComparedAndFreed) {
  Error error = Error::message("innermost");
  for (int i = 0; i < 300'000; ++i) {
    error = Error::wrap("could not parse nested query", std::move(error));
  }
  const Error copy = error;
  EXPECT_EQ(copy, error);
  EXPECT_EQ(copy.frames().size(), 300'001u);
  EXPECT_EQ(copy.innermost().text(), "innermost");
  EXPECT_EQ(copy.outermost().text(), "could not parse nested query");
}

}  // namespace
}  // namespace jrl

namespace jrl {
namespace {

// Each fault of parse carries its kind and payload from where it is
// raised, and check's code is read from the kind alone.
TEST(ErrorTest, ParseFaultsCarryKindAndPayload) {
  struct Case {
    std::string input;
    FaultDetail detail;
    std::string_view code;
  };
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "SELECT 1 FROM ";
  const Case cases[] = {
      {"SELECT 1 FROM TAG(\"\xff\") : \"x\";", {Fault::invalid_utf8}, "JRL001"},
      {deep + "TAG(\"a\") : \"x\";", {Fault::nesting_too_deep, {}, 256},
       "JRL003"},
      {"garbage", {Fault::syntax}, "JRL010"},
      {"SELECT 0 FROM TAG(\"a\") : \"x\";", {Fault::zero_quantity, {}, 1},
       "JRL020"},
      {"LIMIT 0-2 FROM TAG(\"a\") : \"x\";", {Fault::range_from_zero, {}, 1},
       "JRL021"},
      {"SELECT 3-1 FROM TAG(\"a\") : \"x\";",
       {Fault::reversed_quantity_range, {}, 3}, "JRL022"},
      {"SELECT 1 FROM SELECT 99999 FROM TAG(\"a\") : \"x\";",
       {Fault::quantity_too_large, {}, 65535}, "JRL023"},
      {"SELECT 1 FROM TAG(\"a\") : \"x\" : 070000;",
       {Fault::priority_too_large, {}, 65535}, "JRL024"},
      {"SELECT 1 FROM LIMIT 1 FROM TAG(\"a\") : \"x\";", {Fault::nested_limit},
       "JRL025"},
      {"SELECT 1 FROM CLASS(\"a\") : \"x\";", {Fault::wrong_arguments},
       "JRL030"},
      {"SELECT 1 FROM RANGE_TAGS(MATH 1200) : \"x\";",
       {Fault::unknown_function, "RANGE_TAG"}, "JRL031"},
      {"SELECT 1 FROM CLASS(MA 1200) : \"x\";", {Fault::malformed_department},
       "JRL032"},
      // The exact suggestion, though no file can hold it.
      {"SELECT 1 FROM CLASS(MUSC 1100) : \"x\";",
       {Fault::unknown_department, "MUS"}, "JRL033"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = parse(c.input);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().detail(), c.detail);
    for (const ErrorFrame& frame : result.error().frames()) {
      if (&frame != &result.error().innermost()) {
        EXPECT_EQ(frame.fault(), Fault::none);
      }
    }
    const auto diagnostics = check(c.input);
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics.front().code, c.code);
  }
}

// Failures of parse read through the accessors: the context messages
// outermost first, then the innermost error with its place.
TEST(ErrorTest, ParseFailuresThroughAccessors) {
  struct Case {
    std::string_view input;
    std::vector<std::string> context;
    std::string message;
    std::size_t start;
    std::optional<std::size_t> end;
    LineCol place;
  };
  const Case cases[] = {
      {R"(SELECT 0 FROM CLASS(MATH 1200) : "x";)",
       {"failed parsing quantity"}, "cannot select zero", 7, 8, {1, 8}},
      {"SELECT 1 FROM\n  SELECT 1 FROM\n    CLASS(MATX 1200) : \"x\";",
       {"failed parsing selector", "could not parse nested query",
        "failed parsing selector"},
       "this department does not exist in Wexmoor's course catalog (Did you "
       "mean: MATH)",
       40, 44, {3, 11}},
      {"SELECT 1 FROM CLASS(MATH 1200) : \"x\"", {},
       "expected class id (4-digit int)", 23, std::nullopt, {1, 24}},
      {"// caf\xc3\xa9\n\xe2\x82", {}, "input is not valid UTF-8", 9,
       std::nullopt, {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = parse(c.input);
    ASSERT_FALSE(result);
    const Error& error = result.error();
    std::vector<std::string> context;
    for (const ErrorFrame& frame : error.frames()) {
      if (&frame == &error.innermost()) break;
      EXPECT_EQ(frame.kind(), ErrorKind::context);
      context.push_back(frame.text());
    }
    EXPECT_EQ(context, c.context);
    const ErrorFrame& innermost = error.innermost();
    EXPECT_EQ(innermost.text(), c.message);
    const ReportError* report = innermost.report();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->message(), c.message);
    EXPECT_EQ(report->start(), c.start);
    EXPECT_EQ(report->end(), c.end);
    EXPECT_EQ(report->start_line_col(), c.place);
  }
}

}  // namespace
}  // namespace jrl
