// The one walk over what a Selector holds. Every reader of selectors goes
// through `visit`, so a new alternative of Selector is met by the compiler
// in one place: it demands the alternative's row of jrl/selector_functions.hpp
// and checks the row's arguments against the alternative's members.
#pragma once

#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "jrl/model.hpp"
#include "jrl/selector_functions.hpp"

namespace jrl {

namespace selector_table {

template <ArgumentKind K>
using argument_type =
    std::conditional_t<K == ArgumentKind::course, Class, std::string_view>;

// The members of a function alternative, in declared order, as a tuple of
// references. The structured binding fails to compile unless the row gives
// the alternative exactly as many arguments as it has members.
template <std::size_t Arity, typename Alternative>
constexpr auto members(const Alternative& v) {
  static_assert(Arity >= 1 && Arity <= 3,
                "members() takes one to three members; extend it with "
                "MAX_SELECTOR_ARGUMENTS");
  if constexpr (Arity == 1) {
    const auto& [a] = v;
    return std::tie(a);
  } else if constexpr (Arity == 2) {
    const auto& [a, b] = v;
    return std::tie(a, b);
  } else {
    const auto& [a, b, c] = v;
    return std::tie(a, b, c);
  }
}

// Whether the members in `Tuple` have the types of the kinds of the row of
// the alternative at `Index`.
template <std::size_t Index, typename Tuple, std::size_t... I>
consteval bool kinds_match(std::index_sequence<I...>) {
  return (std::is_same_v<
              std::remove_cvref_t<std::tuple_element_t<I, Tuple>>,
              argument_type<function_at<Index>.argument_slots[I].kind>> &&
          ...);
}

}  // namespace selector_table

namespace selector_table {

// The function-call half of `visit`. Kept out of line, so that a reader
// that recurses through nested queries keeps only the nested path in each
// level's frame.
// The visitor is taken by value: an overload set of lambdas is a few
// references, passed in registers rather than through the caller's frame.
template <typename Visitor>
[[gnu::noinline]] decltype(auto) visit_call(const Selector& selector,
                                            Visitor visitor) {
  return std::visit(
      [&visitor](const auto& value) -> decltype(auto) {
        using Alternative = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_same_v<Alternative, selector::Query>) {
          std::unreachable();  // `visit` takes nested queries itself
          return visitor(value.value);
        } else {
          constexpr std::size_t index = index_of<Alternative>();
          constexpr std::size_t arity = function_at<index>.arity;
          const auto args = members<arity>(value);
          static_assert(
              kinds_match<index, decltype(args)>(
                  std::make_index_sequence<arity>()),
              "the row's argument kinds must be the types of the "
              "alternative's members (course: Class, string: "
              "std::string_view)");
          return std::apply(
              [&](const auto&... a) -> decltype(auto) {
                return visitor(function_at<index>, a...);
              },
              args);
        }
      },
      selector.value);
}

}  // namespace selector_table

// Calls `visitor` with what `selector` holds, and returns what it returns:
//
//   visitor(const SelectorFunction& row, const Args&... args)
//     for a function call: its row of the table and its arguments in the
//     order they are written, each a `const Class&` (a course) or a
//     `std::string_view` (a string), as the row's kinds say;
//   visitor(const JRLQuery& nested)
//     for a nested query.
//
// Both forms must be taken (an overload set, such as lambdas joined by
// `Overloaded`), and both must return the same type; every alternative of
// Selector is one of the two.
template <typename Visitor>
[[gnu::always_inline]] inline decltype(auto) visit(const Selector& selector,
                                                 Visitor&& visitor) {
  if (const auto* nested = std::get_if<selector::Query>(&selector.value)) {
    return visitor(nested->value);
  }
  return selector_table::visit_call(selector, visitor);
}

// Lambdas joined into one overload set, for `visit`.
template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace jrl
