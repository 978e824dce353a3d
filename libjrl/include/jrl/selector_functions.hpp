// The selector functions of the language, one row each: CLASS(MATH 1200),
// RANGE_TAG(MATH 3000, MATH 4999, "WX Proof") and the rest.
//
// Everything that knows a function by name reads it here: the builders
// (argument checks and their messages), the "Did you mean" suggestions, the
// warnings, the debug text and JSON names, the Python package and the
// editor support. A new function is a new alternative of `Selector`, its
// grammar rule and one row; jrl/selector_visit.hpp makes the compiler ask
// for the row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>
#include <variant>

#include "jrl/model.hpp"

namespace jrl {

// What an argument is written as: a course (`MATH 1200`, `MATH 1200L`) or a
// quoted string.
enum class ArgumentKind : std::uint8_t { course, string };

struct SelectorArgument {
  ArgumentKind kind = ArgumentKind::string;
  // What the language guide calls it: "first course", "tag", "major code".
  std::string_view label;
  // The member of the model alternative that holds it ("from", "tag"). The
  // debug text and JSON name it when the alternative has more than one.
  std::string_view field;
};

inline constexpr std::size_t MAX_SELECTOR_ARGUMENTS = 3;

struct SelectorFunction {
  // As written in capitals, e.g. "RANGE_TAG"; all lower case is accepted too.
  std::string_view name;
  // The name of its alternative of Selector::Variant, as the debug text and
  // JSON write it ("RangeTag"), and that alternative's index.
  std::string_view alternative;
  std::size_t index = 0;
  // What it selects, one line, e.g. "the courses of the range that carry
  // the tag".
  std::string_view meaning;
  // The arguments' form as the message for wrong arguments shows it after
  // "of the form " (e.g. "`DEPARTMENT_ID CLASS_ID`"); empty where the
  // message shows none.
  std::string_view form;
  // Among names equally close to a misspelt one, the one of higher rank is
  // suggested. Ranks are distinct.
  std::uint8_t suggestion_rank = 0;
  std::array<SelectorArgument, MAX_SELECTOR_ARGUMENTS> argument_slots{};
  std::size_t arity = 0;

  // Its arguments, in the order they are written.
  constexpr std::span<const SelectorArgument> arguments() const {
    return {argument_slots.data(), arity};
  }
};

namespace selector_table {

// The index of `Alternative` in Selector::Variant.
template <typename Alternative, std::size_t I = 0>
consteval std::size_t index_of() {
  static_assert(I < std::variant_size_v<Selector::Variant>,
                "not an alternative of Selector");
  if constexpr (std::is_same_v<std::variant_alternative_t<I, Selector::Variant>,
                               Alternative>) {
    return I;
  } else {
    return index_of<Alternative, I + 1>();
  }
}

template <typename Alternative>
consteval SelectorFunction row(std::string_view name,
                               std::string_view alternative,
                               std::uint8_t suggestion_rank,
                               std::string_view meaning, std::string_view form,
                               std::initializer_list<SelectorArgument> args) {
  SelectorFunction f{name, alternative, index_of<Alternative>(), meaning,
                     form,  suggestion_rank, {},   args.size()};
  std::size_t i = 0;
  for (const SelectorArgument& a : args) f.argument_slots[i++] = a;
  return f;
}

constexpr SelectorArgument course(std::string_view label,
                                  std::string_view field) {
  return {ArgumentKind::course, label, field};
}
constexpr SelectorArgument string(std::string_view label,
                                  std::string_view field) {
  return {ArgumentKind::string, label, field};
}

// In the order the language guide lists them.
inline constexpr std::array FUNCTIONS = {
    row<selector::Class>("CLASS", "Class", 0, "that course",
                         "`DEPARTMENT_ID CLASS_ID`",
                         {course("course", "value")}),
    row<selector::Range>("RANGE", "Range", 1,
                         "the courses numbered from the first to the second",
                         "`DEPARTMENT_ID CLASS_ID`",
                         {course("first course", "from"),
                          course("last course", "to")}),
    row<selector::RangeTag>("RANGE_TAG", "RangeTag", 8,
                            "the courses of the range that carry the tag", "",
                            {course("first course", "from"),
                             course("last course", "to"),
                             string("tag", "tag")}),
    row<selector::RangeDist>(
        "RANGE_DIST", "RangeDist", 7,
        "the courses of the range in the distribution area", "",
        {course("first course", "from"), course("last course", "to"),
         string("distribution", "dist")}),
    row<selector::Tag>("TAG", "Tag", 3, "the courses that carry the tag",
                       "`\"abcXYZ123\"`", {string("tag", "value")}),
    row<selector::TagCode>(
        "TAG_DEPT", "TagCode", 2,
        "the courses that carry the tag for the major with the given code",
        "`\"WX TAG\"`, `\"Wexmoor Major Code\"`",
        {string("tag", "tag"), string("major code", "code")}),
    row<selector::Dist>("DIST", "Dist", 5,
                        "the courses of the distribution area",
                        "`\"WX dist\"`", {string("distribution", "value")}),
    row<selector::DistCode>("DIST_DEPT", "DistCode", 6,
                            "the courses of the distribution area for the "
                            "major with the given code",
                            "`\"WX dist\"`, `\"Wexmoor Major Code\"`",
                            {string("distribution", "dist"),
                             string("major code", "code")}),
    row<selector::Placement>("PLACEMENT", "Placement", 4,
                             "a placement result standing in for a course",
                             "`\"abcXYZ123\"`",
                             {string("placement", "value")}),
};

// The row of the alternative at `index`, or FUNCTIONS.size() for none (the
// nested query).
consteval std::size_t row_of_alternative(std::size_t index) {
  for (std::size_t i = 0; i < FUNCTIONS.size(); ++i) {
    if (FUNCTIONS[i].index == index) return i;
  }
  return FUNCTIONS.size();
}

// The row of the function alternative at `I`.
template <std::size_t I>
inline constexpr const SelectorFunction& function_at =
    FUNCTIONS[row_of_alternative(I)];

consteval bool well_formed() {
  constexpr std::size_t alternatives = std::variant_size_v<Selector::Variant>;
  std::array<int, alternatives> rows{};
  std::array<bool, FUNCTIONS.size()> ranks{};
  for (const SelectorFunction& f : FUNCTIONS) {
    if (f.arity == 0 || f.arity > MAX_SELECTOR_ARGUMENTS) return false;
    if (f.suggestion_rank >= FUNCTIONS.size() || ranks[f.suggestion_rank]) {
      return false;
    }
    ranks[f.suggestion_rank] = true;
    ++rows[f.index];
  }
  for (std::size_t i = 0; i < alternatives; ++i) {
    const bool nested = i == index_of<selector::Query>();
    if (rows[i] != (nested ? 0 : 1)) return false;
  }
  return true;
}
static_assert(well_formed(),
              "every alternative of Selector but Query needs exactly one row, "
              "with one to MAX_SELECTOR_ARGUMENTS arguments and a rank of its "
              "own");

}  // namespace selector_table

// Every selector function, in the order the language guide lists them.
constexpr std::span<const SelectorFunction> selector_functions() {
  return selector_table::FUNCTIONS;
}

// The function called `name` (in capitals or all in lower case, as the
// language accepts), or null.
const SelectorFunction* find_selector_function(std::string_view name);

}  // namespace jrl
