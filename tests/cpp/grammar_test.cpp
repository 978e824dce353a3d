#include "language/grammar.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <vector>

#include "tree_text.hpp"

namespace jrl {
namespace {

using test::names;
using test::shape;
using test::spans;

// The first node of `rule` in pre-order.
std::optional<NodeRef> find(const ParseTree& tree, Rule rule) {
  for (std::uint32_t i = 0; i < tree.nodes.size(); ++i) {
    if (tree.nodes[i].rule == rule) return NodeRef(tree, i);
  }
  return std::nullopt;
}

struct FailureCase {
  std::string input;
  std::size_t position;
  std::string positives;
};

TEST(GrammarTest, FailuresNameTheFurthestAttempts) {
  const FailureCase cases[] = {
      // Missing ";": class_id tried after bad_department_id took "MAT".
      {R"(SELECT 1 FROM CLASS(MATH 1200) : "x")", 23, "class_id"},
      // Keyword attempts at 14 stay recorded though `tag` then matched.
      {R"(SELECT 1 FROM TAG("a") : "x" SELECT)", 14,
       "class placement tag_dept selector_list statement"},
      {"garbage", 0, "file"},
      {" garbage", 1, "EOI statement"},
      {"//c\ngarbage", 4, "EOI statement"},
      {R"(SELECT 1 FROM TAG("a") : "x"; garbage)", 30, "EOI statement"},
      {R"(SELECT 1 FROM TAG("a") : "x";)"
       "\n// tail\nFROM",
       38, "EOI statement"},
      // Keywords are case-sensitive.
      {R"(select 1 FROM CLASS(MATH 1200) : "x";)", 0, "file"},
      {R"(Select 1 FROM CLASS(MATH 1200) : "x";)", 0, "file"},
      {R"(SELECT 1 from CLASS(MATH 1200) : "x";)", 9, "from"},
      {R"(LIMIT 1 FROM CLASS(MATH 1200) : "x" SELECT)", 22, "class_id"},
      // Courses.
      {R"(SELECT 1 FROM CLASS(math 1200) : "x";)", 23, "class_id"},
      {R"(SELECT 1 FROM CLASS(MATH 120) : "x";)", 25, "class_id"},
      {R"(SELECT 1 FROM CLASS(MATH 12000) : "x";)", 23, "class_id"},
      {R"(SELECT 1 FROM CLASS(MATH 1200l) : "x";)", 23, "class_id"},
      {"SELECT 1 FROM CLASS(MATH\t1200) : \"x\";", 24, "class_id"},
      {"SELECT 1 FROM CLASS(MATH\n1200) : \"x\";", 24, "class_id"},
      // Strings and arguments.
      {"SELECT 1 FROM TAG(\"a\nb\") : \"x\";", 18, "query_argument"},
      {R"(SELECT 1 FROM CLASS() : "x";)", 20, "query_argument"},
      {R"(SELECT 1 FROM CLASS(MATH 1200,) : "x";)", 30, "query_argument"},
      // Lists.
      {R"(SELECT 1 FROM [] : "x";)", 15, "selector_single"},
      {R"(SELECT 1 FROM [CLASS(MATH 1200),] : "x";)", 32, "selector_single"},
      // Quantities and description.
      {R"(SELECT 1 - 3 FROM CLASS(MATH 1200) : "x";)", 9, "from"},
      {R"(SELECT 1 FROM TAG("a");)", 14,
       "class placement tag_dept selector_list statement"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = run_grammar(c.input);
    ASSERT_FALSE(result.has_value());
    const auto* error = std::get_if<SyntaxError>(&result.error());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->position, c.position);
    EXPECT_EQ(names(error->positives), c.positives);
    EXPECT_TRUE(error->negatives.empty());
  }
}

struct ShapeCase {
  std::string input;
  Rule rule;  // the first node of this rule is compared
  std::string shape;
};

// Wraps a selector into one whole requirement.
std::string requirement(std::string selector) {
  return "SELECT 1 FROM " + selector + " : \"x\";";
}

TEST(GrammarTest, AcceptedInputsHaveTheirShapes) {
  const ShapeCase cases[] = {
      {requirement("CLASS(MATH 1200)"), Rule::XYZ,
       R"(XYZ(query_name(class"CLASS") query_argument(class_argument()"
       R"(department_id"MATH" class_id"1200"))))"},
      {requirement("CLASS (MATH 1200)"), Rule::query_name,
       R"(query_name(class"CLASS"))"},
      {requirement("CLASS // c\n( MATH 1200 , // d\n MATH 1300 )"), Rule::XYZ,
       R"(XYZ(query_name(class"CLASS") )"
       R"(query_argument(class_argument(department_id"MATH" class_id"1200")) )"
       R"(query_argument(class_argument(department_id"MATH" class_id"1300"))))"},
      {requirement("CLASS(MATH1200)"), Rule::class_argument,
       R"(class_argument(department_id"MATH" class_id"1200"))"},
      {requirement("CLASS(MATH   1200)"), Rule::class_argument,
       R"(class_argument(department_id"MATH" class_id"1200"))"},
      {requirement("CLASS(M&TH 1200)"), Rule::class_argument,
       R"(class_argument(department_id"M&TH" class_id"1200"))"},
      {requirement("CLASS(MA 1200)"), Rule::class_argument,
       R"(class_argument(bad_department_id"MA" class_id"1200"))"},
      {requirement("CLASS(ECO 1100)"), Rule::class_argument,
       R"(class_argument(bad_department_id"ECO" class_id"1100"))"},
      {requirement("CLASS(MATHS 1200)"), Rule::class_argument,
       R"(class_argument(bad_department_id"MATHS" class_id"1200"))"},
      {requirement("CLASS(Maths 1200)"), Rule::class_argument,
       R"(class_argument(bad_department_id"Maths" class_id"1200"))"},
      {requirement("CLASS(MATH 1200L)"), Rule::class_id, R"(class_id"1200L")"},
      // Function names: all upper or all lower case, else bad_query.
      {requirement("class(MATH 1200)"), Rule::query_name,
       R"(query_name(class"class"))"},
      {requirement("Class(MATH 1200)"), Rule::query_name,
       R"(query_name(bad_query"Class"))"},
      {requirement("CLASSES(MATH 1200)"), Rule::query_name,
       R"(query_name(bad_query"CLASSES"))"},
      {requirement("FOO_1(MATH 1200)"), Rule::query_name,
       R"(query_name(bad_query"FOO_1"))"},
      {requirement(R"(TAG_DEPT("a", MATH 1200))"), Rule::query_name,
       R"(query_name(tag_dept"TAG_DEPT"))"},
      {requirement(R"(RANGE_TAG(MATH 1000, MATH 2000, "a"))"), Rule::query_name,
       R"(query_name(range_tag"RANGE_TAG"))"},
      {requirement(R"(dist_dept("a"))"), Rule::query_name,
       R"(query_name(dist_dept"dist_dept"))"},
      {requirement(R"(RANGE(MATH 1000, MATH 2000))"), Rule::query_name,
       R"(query_name(range"RANGE"))"},
      // Strings keep their quotes and doubled quotes; any character but a
      // line break may stand inside.
      {requirement(R"(TAG(""))"), Rule::query_argument,
       R"(query_argument(string""""))"},
      {requirement(R"(TAG("a""b"))"), Rule::query_argument,
       R"(query_argument(string""a""b""))"},
      {requirement("TAG(\"\xC3\xA9 \t\xE2\x9C\x93\")"), Rule::string,
       "string\"\"\xC3\xA9 \t\xE2\x9C\x93\"\""},
      // Quantities and priorities.
      {R"(SELECT 0 FROM TAG("a") : "x";)", Rule::quantity,
       R"(quantity(quantity_single"0"))"},
      {R"(LIMIT 1-3 FROM TAG("a") : "x";)", Rule::statement,
       R"(statement(limit"LIMIT" quantity(quantity_many(quantity_single"1" )"
       R"(quantity_single"3")) from"FROM" selector(selector_single(XYZ()"
       R"(query_name(tag"TAG") query_argument(string""a""))))))"},
      {R"(SELECT 2 FROM TAG("a") : "x" : 99999;)", Rule::special_statement,
       R"(special_statement(statement(select"SELECT" )"
       R"(quantity(quantity_single"2") from"FROM" selector(selector_single()"
       R"(XYZ(query_name(tag"TAG") query_argument(string""a""))))) )"
       R"(string""x"" quantity_single"99999"))"},
      // Whole files.
      {"", Rule::file, R"(file(EOI""))"},
      {" \r\n\t// only a comment\n", Rule::file, R"(file(EOI""))"},
      {"// no final line feed", Rule::file, R"(file(EOI""))"},
      {R"(SELECT 1 FROM TAG("a") : "x"; // end)", Rule::EOI, R"(EOI"")"},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.input);
    auto result = run_grammar(c.input);
    ASSERT_TRUE(result.has_value());
    auto node = find(*result, c.rule);
    ASSERT_TRUE(node.has_value());
    EXPECT_EQ(shape(*node), c.shape);
  }
}

TEST(GrammarTest, NestedStatementInsideListHasItsSpans) {
  const std::string input =
      R"(SELECT 1 FROM [SELECT 2 FROM TAG("t"), CLASS(MA 1200)] : "d";)";
  auto result = run_grammar(input);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(spans(*result->root()),
            "file@0-61(special_statement@0-60("
            "statement@0-54(select@0-6 quantity@7-8(quantity_single@7-8) "
            "from@9-13 selector@14-54(selector_list@14-54("
            "selector_single@15-37(statement@15-37(select@15-21 "
            "quantity@22-23(quantity_single@22-23) from@24-28 "
            "selector@29-37(selector_single@29-37(XYZ@29-37("
            "query_name@29-32(tag@29-32) "
            "query_argument@33-36(string@33-36)))))) "
            "selector_single@39-53(XYZ@39-53(query_name@39-44(class@39-44) "
            "query_argument@45-52(class_argument@45-52("
            "bad_department_id@45-47 class_id@48-52))))))) "
            "string@57-60) EOI@61-61)");
}

TEST(GrammarTest, SpansSkipNothingBeforeOrAfterExceptAnOmittedPriority) {
  // The skip before the optional priority stays consumed when the priority
  // is absent, so that span reaches the ";"'s whitespace.
  const std::string input = " \nSELECT 1 FROM TAG(\"a\") : \"x\"  ;  ";
  auto result = run_grammar(input);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(spans(*result->root()),
            "file@0-35(special_statement@2-32(statement@2-24(select@2-8 "
            "quantity@9-10(quantity_single@9-10) from@11-15 "
            "selector@16-24(selector_single@16-24(XYZ@16-24("
            "query_name@16-19(tag@16-19) "
            "query_argument@20-23(string@20-23))))) string@27-30) "
            "EOI@35-35)");
}

// n statements, each the selector of the one before.
std::string nested(std::size_t n, std::string innermost = "CLASS(MATH 1200)",
                   std::string tail = " : \"x\";") {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += "SELECT 1 FROM ";
  return text + innermost + tail;
}

constexpr std::size_t LEVEL = 14;  // bytes of "SELECT 1 FROM "

TEST(GrammarTest, NestingUpToTheLimitIsAccepted) {
  auto result = run_grammar(nested(MAX_NESTING_DEPTH));
  ASSERT_TRUE(result.has_value());
  std::size_t statements = 0;
  for (const Node& node : result->nodes) {
    statements += node.rule == Rule::statement;
  }
  EXPECT_EQ(statements, 256u);
}

TEST(GrammarTest, NestingBeyondTheLimitStopsAtTheDeepStatement) {
  const NestingTooDeep expected{256 * LEVEL};
  for (std::size_t depth : {257u, 100000u}) {
    auto result = run_grammar(nested(depth));
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), GrammarFailure(expected)) << depth;
  }
  // Once keyword, quantity and FROM match, the rest no longer matters.
  auto garbage = run_grammar(nested(257, "", "garbage"));
  ASSERT_FALSE(garbage.has_value());
  EXPECT_EQ(garbage.error(), GrammarFailure(expected));
}

TEST(GrammarTest, TooDeepStatementAttemptsThatCannotBeginFailAsUsual) {
  // At depth 257 "SELECTX" fails as a statement and is a call instead.
  EXPECT_TRUE(run_grammar(nested(256, R"(SELECTX("a"))")).has_value());
  // A failure inside the deepest level is reported as a syntax error.
  auto result = run_grammar(nested(256, "CLASS(MATH 1200)", " : \"x\""));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(),
            GrammarFailure(SyntaxError{256 * LEVEL + 9, {Rule::class_id}, {}}));
  auto limit = run_grammar(nested(256, "LIMIT 1 garbage"));
  ASSERT_FALSE(limit.has_value());
  EXPECT_EQ(limit.error(),
            GrammarFailure(SyntaxError{256 * LEVEL + 8, {Rule::from}, {}}));
}

// Runs `body` on a thread whose whole stack is `stack_size` bytes.
void run_with_stack(std::size_t stack_size, void (*body)()) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, stack_size), 0);
  pthread_t thread;
  auto start = [](void* arg) -> void* {
    reinterpret_cast<void (*)()>(arg)();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, start,
                           reinterpret_cast<void*>(body)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(GrammarTest, DeepestNestingFitsInASmallStack) {
  static bool accepted = false;
  static bool failed_at_class_id = false;
  static bool too_deep = false;
  run_with_stack(512 * 1024, [] {
    accepted = run_grammar(nested(256)).has_value();
    // A failing run parses twice, the second time tracking attempts.
    auto failure = run_grammar(nested(256, "CLASS(MATH 1200)", ""));
    failed_at_class_id =
        !failure.has_value() &&
        failure.error() ==
            GrammarFailure(SyntaxError{256 * LEVEL + 9, {Rule::class_id}, {}});
    auto deep = run_grammar(nested(100000));
    too_deep = !deep.has_value() &&
               std::holds_alternative<NestingTooDeep>(deep.error());
  });
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(failed_at_class_id);
  EXPECT_TRUE(too_deep);
}

}  // namespace
}  // namespace jrl
