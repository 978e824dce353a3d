// The engine on small grammars of its own, to pin down tracking, skipping,
// modes and nesting apart from the JRL grammar. Rules borrow names from
// Rule only as labels.
#include "parser/engine.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tree_text.hpp"

namespace jrl::peg {
namespace {

constexpr Rule A = Rule::select;
constexpr Rule B = Rule::limit;
constexpr Rule C = Rule::from;
constexpr Rule T = Rule::file;

using Skip = Star<Silent<Rule::WHITESPACE, Lit<" ">>>;

struct b : Normal<B, Lit<"b">> {};
struct c : Normal<C, Lit<"c">> {};
// One sub-rule attempt at its start: the sub-rule stands for it.
struct one_inside : Normal<A, Choice<b, Lit<"x">>> {};
// Two sub-rule attempts: the rule names itself.
struct two_inside : Normal<A, Choice<b, c>> {};
// A sub-rule recorded further on replaces everything before.
struct further : Normal<A, Seq<Lit<"a">, b>> {};
// b succeeding under negative lookahead is an unexpected rule.
struct not_b : Normal<T, Seq<Not<b>, Lit<"q">>> {};
// Rules inside an atomic rule neither yield nodes nor are tracked.
struct atomic_bc : Atomic<A, Seq<b, c>> {};
struct compound_bc : CompoundAtomic<A, Seq<b, c>> {};
struct in_seq : Normal<T, Seq<Lit<"<">, atomic_bc, Lit<">">>> {};
struct compound_in_seq : Normal<T, Seq<Lit<"<">, compound_bc, Lit<">">>> {};
// A repetition gives back the skip before a repetition that fails.
struct bs : Normal<A, Star<b>> {};
struct bs_then_end : Normal<T, Seq<bs, Lit<";">>> {};
// Parentheses nested at most two deep.
struct parens : Normal<A, Nest<2, Lit<"(">, Seq<Opt<parens>, Lit<")">>>> {};

using test::names;

template <class Start>
SyntaxError failure(std::string_view input) {
  auto result = run<Start, Skip>(input);
  EXPECT_FALSE(result.has_value()) << input;
  if (result.has_value()) return {};
  EXPECT_TRUE(std::holds_alternative<SyntaxError>(result.error()));
  return std::get<SyntaxError>(result.error());
}

template <class Start>
std::string tree(std::string_view input) {
  auto result = run<Start, Skip>(input);
  return result.has_value() ? test::node_list(*result) : "no match";
}

TEST(EngineTest, TrackingKeepsTheMostSpecificAttempt) {
  EXPECT_EQ(failure<one_inside>("z"), (SyntaxError{0, {B}, {}}));
  EXPECT_EQ(failure<two_inside>("z"), (SyntaxError{0, {A}, {}}));
  EXPECT_EQ(failure<further>("a z"), (SyntaxError{2, {B}, {}}));
  // A literal failing further on is not recorded.
  EXPECT_EQ(failure<further>("z"), (SyntaxError{0, {A}, {}}));
}

TEST(EngineTest, RuleMatchingUnderNegativeLookaheadIsUnexpected) {
  const SyntaxError error = failure<not_b>("b");
  EXPECT_EQ(error.position, 0u);
  EXPECT_EQ(names(error.positives), "");
  EXPECT_EQ(names(error.negatives), "limit");
  EXPECT_EQ(tree<not_b>("q"), "file@0-1/1");
}

TEST(EngineTest, AtomicRulesHideTheirInsides) {
  EXPECT_EQ(tree<in_seq>("<bc>"), "file@0-4/2 select@1-3/2");
  EXPECT_EQ(failure<in_seq>("<bx>"), (SyntaxError{1, {A}, {}}));
  EXPECT_EQ(tree<compound_in_seq>("<bc>"),
            "file@0-4/4 select@1-3/4 limit@1-2/3 from@2-3/4");
  EXPECT_EQ(failure<compound_in_seq>("<bx>"), (SyntaxError{2, {C}, {}}));
  // Neither skips inside.
  EXPECT_EQ(tree<in_seq>("<b c>"), "no match");
  EXPECT_EQ(tree<compound_in_seq>("<b c>"), "no match");
  EXPECT_EQ(tree<in_seq>("< bc >"), "file@0-6/2 select@2-4/2");
}

TEST(EngineTest, RepetitionGivesBackTheSkipOfAFailedRepetition) {
  EXPECT_EQ(tree<bs_then_end>("b b  ;"),
            "file@0-6/4 select@0-3/4 limit@0-1/3 limit@2-3/4");
  EXPECT_EQ(tree<bs_then_end>(";"), "file@0-1/2 select@0-0/2");
}

TEST(EngineTest, NestBeyondItsLimitHaltsAtTheStartOfTheLevel) {
  EXPECT_EQ(tree<parens>("(())"), "select@0-4/2 select@1-3/2");
  auto result = run<parens, Skip>("( (()) )");
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), GrammarFailure(NestingTooDeep{3}));
  // A level that does not begin is an ordinary failure.
  EXPECT_EQ(failure<parens>("(()"), (SyntaxError{2, {A}, {}}));
}

}  // namespace
}  // namespace jrl::peg
