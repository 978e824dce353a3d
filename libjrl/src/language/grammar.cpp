// The forty rules of the JRL grammar, in rule order, and the run of `file`.
#include "language/grammar.hpp"

#include "parser/engine.hpp"
#include "text/char_classes.hpp"

namespace jrl {
namespace {

using peg::Atomic;
using peg::Choice;
using peg::CompoundAtomic;
using peg::Drain;
using peg::Eoi;
using peg::Lit;
using peg::Nest;
using peg::NonAtomic;
using peg::NoneOf;
using peg::Normal;
using peg::Not;
using peg::OneOf;
using peg::Opt;
using peg::Plus;
using peg::Range;
using peg::Rep;
using peg::Seq;
using peg::Silent;
using peg::Soi;
using peg::Star;
using peg::UNBOUNDED;

// Character classes.
using LOWER = Range<chars::LOWER.first, chars::LOWER.last>;
using UPPER = Range<chars::UPPER.first, chars::UPPER.last>;
using DIGIT = Range<chars::DIGIT.first, chars::DIGIT.last>;
using LETTER = Choice<LOWER, UPPER>;
using ALNUM = Choice<LOWER, UPPER, DIGIT>;
using NAME_CHAR = Choice<ALNUM, OneOf<chars::NAME_MARKS>>;
using SP = Lit<" ">;
using DQ = Lit<"\"">;

// Nested queries: selector_list and selector_single come before the rules
// they reach.
struct selector_single;
struct statement;

// clang-format off
struct EOI : Normal<Rule::EOI, Eoi> {};
struct WHITESPACE : Silent<Rule::WHITESPACE, OneOf<chars::SPACES>> {};
struct COMMENT : Silent<Rule::COMMENT, Seq<Lit<"//">, Star<NoneOf<"\n">>>> {};
struct select : Normal<Rule::select, Lit<"SELECT">> {};
struct limit : Normal<Rule::limit, Lit<"LIMIT">> {};
struct from : Normal<Rule::from, Lit<"FROM">> {};
struct quantity_single : Atomic<Rule::quantity_single, Plus<DIGIT>> {};
struct quantity_many : CompoundAtomic<Rule::quantity_many, Seq<quantity_single, Lit<"-">, quantity_single>> {};
struct quantity : Normal<Rule::quantity, Choice<quantity_many, quantity_single>> {};
struct class_ : Atomic<Rule::class_, Choice<Lit<"CLASS">, Lit<"class">>> {};
struct placement : Atomic<Rule::placement, Choice<Lit<"PLACEMENT">, Lit<"placement">>> {};
struct tag : Atomic<Rule::tag, Choice<Lit<"TAG">, Lit<"tag">>> {};
struct range : Atomic<Rule::range, Choice<Lit<"RANGE">, Lit<"range">>> {};
struct tag_dept : Atomic<Rule::tag_dept, Choice<Lit<"TAG_DEPT">, Lit<"tag_dept">>> {};
struct dist : Atomic<Rule::dist, Choice<Lit<"DIST">, Lit<"dist">>> {};
struct dist_dept : Atomic<Rule::dist_dept, Choice<Lit<"DIST_DEPT">, Lit<"dist_dept">>> {};
struct range_dist : Atomic<Rule::range_dist, Choice<Lit<"RANGE_DIST">, Lit<"range_dist">>> {};
struct range_tag : Atomic<Rule::range_tag, Choice<Lit<"RANGE_TAG">, Lit<"range_tag">>> {};
struct bad_query : Atomic<Rule::bad_query, Plus<NAME_CHAR>> {};
struct query_name : CompoundAtomic<Rule::query_name, Choice<
    Seq<Choice<class_, placement, tag_dept, tag, dist_dept, dist, range_dist, range_tag, range>,
        Not<NAME_CHAR>>,
    bad_query>> {};
struct string : Atomic<Rule::string, Seq<DQ, Star<Choice<Seq<DQ, DQ>, Plus<NoneOf<"\"\r\n">>>>, DQ>> {};
struct department_id_char : Silent<Rule::department_id_char, Choice<UPPER, OneOf<chars::DEPARTMENT_MARKS>>> {};
struct bad_department_id : Normal<Rule::bad_department_id, Choice<Rep<LETTER, 5, UNBOUNDED>, Rep<LETTER, 1, 3>>> {};
struct department_id : Normal<Rule::department_id, Rep<department_id_char, 4>> {};
struct class_id : CompoundAtomic<Rule::class_id, Seq<Rep<DIGIT, 4>, Opt<Lit<"L">>>> {};
struct class_argument : CompoundAtomic<Rule::class_argument, Choice<
    Seq<bad_department_id, Star<SP>, class_id>,
    Seq<department_id, Star<SP>, class_id>>> {};
struct query_argument : Normal<Rule::query_argument, Choice<string, class_argument>> {};
struct lpar : Silent<Rule::lpar, Lit<"(">> {};
struct rpar : Silent<Rule::rpar, Lit<")">> {};
struct XYZ : Normal<Rule::XYZ, Seq<query_name, lpar, query_argument, Star<Seq<Lit<",">, query_argument>>, rpar>> {};
struct selector_list : Normal<Rule::selector_list, Seq<Lit<"[">, selector_single, Star<Seq<Lit<",">, selector_single>>, Lit<"]">>> {};
struct selector_single : Normal<Rule::selector_single, Choice<statement, XYZ>> {};
struct selector : Normal<Rule::selector, Choice<selector_list, selector_single>> {};
struct semicolon : Silent<Rule::semicolon, Lit<";">> {};
// (select | limit) ~ quantity ~ from ~ selector, the selector one level deeper.
struct statement : NonAtomic<Rule::statement, Nest<MAX_NESTING_DEPTH, Seq<Choice<select, limit>, quantity, from>, selector>> {};
struct sep : Silent<Rule::sep, Lit<":">> {};
struct description : Silent<Rule::description, Seq<sep, string>> {};
struct priority : Silent<Rule::priority, Seq<sep, quantity_single>> {};
struct special_statement : Normal<Rule::special_statement, Seq<statement, description, Opt<priority>>> {};
struct file : Normal<Rule::file, Seq<Soi, Star<Drain<Seq<special_statement, semicolon>>>, EOI>> {};
// clang-format on

// The implicit skipping between elements in non-atomic mode.
using Skip = Seq<Star<WHITESPACE>, Star<Seq<COMMENT, Star<WHITESPACE>>>>;

}  // namespace

std::expected<ParseTree, GrammarFailure> run_grammar(std::string_view input,
                                                     NodeSink* sink) {
  return peg::run<file, Skip>(input, sink);
}

}  // namespace jrl
