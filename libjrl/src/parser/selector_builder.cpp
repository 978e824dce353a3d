// Selectors: lists, function calls with their argument checks, course
// references and nested queries (which recurse into parse_query).

#include <array>
#include <cstddef>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "jrl/model_rules.hpp"
#include "jrl/departments.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "parser/builder_errors.hpp"
#include "parser/function_rules.hpp"
#include "parser/model_builder.hpp"
#include "parser/number.hpp"
#include "suggest/closest_string.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl {
namespace {

using builder::internal_fault;
using builder::plain_message;
using builder::report_over;

using closest_string::closest_string;
using wexmoor_departments::is_department;

// The candidates for an unknown function name, by rank: among equally close
// names the later wins.
constexpr auto FUNCTION_NAMES = [] {
  std::array<std::string_view, selector_functions().size()> names{};
  for (const SelectorFunction& f : selector_functions()) {
    names[f.suggestion_rank] = f.name;
  }
  return names;
}();

using Kind = ArgumentKind;

// One argument of a function call, read and checked, as views into the
// input: the model's texts are made once, when the selector is built.
struct Argument {
  Kind kind = Kind::course;
  std::string_view department;  // course
  std::uint16_t number = 0;     // course
  bool lab = false;             // course
  std::string_view text;        // string: between the quotes, still doubled
};

// The arguments of one call. No function takes more than
// MAX_SELECTOR_ARGUMENTS, so only that many are kept: a call with more is a
// mismatch whatever they hold. The rest are still read, so that their errors
// come first.
struct Arguments {
  static constexpr std::size_t KEPT = MAX_SELECTOR_ARGUMENTS;
  std::array<Argument, KEPT> kept;
  std::size_t count = 0;
};

// Reads a course argument into `out`.
std::expected<void, Error> read_class(NodeRef node, Argument& out) {
  std::optional<NodeRef> department = node.child(0);
  if (!department) {
    return std::unexpected(Error::message("expected department_id"));
  }
  if (department->rule() == Rule::bad_department_id) {
    return std::unexpected(
        report_over(*department,
                    std::string(model_rules::MALFORMED_DEPARTMENT),
                    {Fault::malformed_department}));
  }
  if (department->rule() != Rule::department_id) {
    return std::unexpected(
        internal_fault("should have { department_id | bad_department_id }",
                       department->rule()));
  }
  std::optional<NodeRef> class_id = node.child(1);
  if (!class_id) return std::unexpected(Error::message("expected class_id"));
  if (class_id->rule() != Rule::class_id) {
    return std::unexpected(
        internal_fault("should have class_id", class_id->rule()));
  }

  std::string_view digits = class_id->text();
  const bool lab = digits.ends_with('L');
  if (lab) digits.remove_suffix(1);
  auto number = parse_u16(digits, Fault::course_number_too_large);
  if (!number) {
    return std::unexpected(Error::wrap("could not parse class_id into u16",
                                       std::move(number.error())));
  }

  std::string_view code = department->text();
  if (is_department(code)) {
    out = Argument{Kind::course, code, *number, lab, {}};
    return {};
  }
  // The report names the closest of all codes, a shorter one included.
  std::optional<std::string_view> suggestion =
      closest_string(code, wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST);
  if (!suggestion) {
    return std::unexpected(
        Error::internal("WEXMOOR_DEPARTMENTS_LIST is never empty"));
  }
  return std::unexpected(report_over(
      *department,
      std::string(model_rules::UNKNOWN_DEPARTMENT) + " (Did you mean: " +
          std::string(*suggestion) + ")",
      {Fault::unknown_department, std::string(*suggestion)}));
}

// Reads one argument into `out`.
std::expected<void, Error> read_argument(NodeRef node, Argument& out) {
  if (node.rule() != Rule::query_argument) {
    return std::unexpected(
        internal_fault("should have query_argument", node.rule()));
  }
  std::optional<NodeRef> child = node.child(0);
  if (!child) {
    return std::unexpected(
        Error::internal("query_argument should have a child"));
  }
  switch (child->rule()) {
    case Rule::string: {
      auto text = ModelBuilder::string_content(*child);
      if (!text) return std::unexpected(std::move(text.error()));
      out = Argument{Kind::string, {}, 0, false, *text};
      return {};
    }
    case Rule::class_argument:
      return read_class(*child, out);
    default:
      return std::unexpected(internal_fault(
          "should have { string | class_argument }", child->rule()));
  }
}

bool matches(const Arguments& args, const SelectorFunction& function) {
  if (args.count != function.arity) return false;
  for (std::size_t i = 0; i < function.arity; ++i) {
    if (args.kept[i].kind != function.argument_slots[i].kind) return false;
  }
  return true;
}

// "RANGE function must take two <CLASS>, <CLASS> arguments of the form ...".
std::string mismatch_message(const SelectorFunction& function) {
  static_assert(MAX_SELECTOR_ARGUMENTS == 3, "a count word for each arity");
  constexpr std::array<std::string_view, 3> COUNTS = {"one", "two", "three"};
  std::string message(function.name);
  message += " function must take ";
  message += COUNTS[function.arity - 1];
  message += ' ';
  const char* separator = "";
  for (const SelectorArgument& a : function.arguments()) {
    message += separator;
    message += a.kind == Kind::course ? "<CLASS>" : "<STRING>";
    separator = ", ";
  }
  message += function.arity == 1 ? " argument" : " arguments";
  if (!function.form.empty()) {
    message += " of the form ";
    message += function.form;
  }
  return message;
}

// Argument `i`, checked to be of kind K, as the model holds it, its texts
// made in the arena.
template <Kind K>
selector_table::argument_type<K> model_argument(const Arguments& args,
                                                std::size_t i,
                                                ModelArena& arena) {
  const Argument& arg = args.kept[i];
  if constexpr (K == Kind::course) {
    return Class{arena.text(arg.department), arg.number, arg.lab};
  } else {
    return ModelBuilder::unquote(arg.text, arena);
  }
}

// Makes the alternative at `I` of `out` from checked arguments.
template <std::size_t I>
void emplace_alternative(const Arguments& args, Selector& out,
                         ModelArena& arena) {
  using Alternative = std::variant_alternative_t<I, Selector::Variant>;
  if constexpr (!std::is_same_v<Alternative, selector::Query>) {
    using selector_table::function_at;
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      out.value.emplace<I>(Alternative{
          model_argument<function_at<I>.argument_slots[K].kind>(args, K,
                                                                 arena)...});
    }(std::make_index_sequence<function_at<I>.arity>());
  }
}

template <std::size_t... I>
void emplace_function(const SelectorFunction& function, const Arguments& args,
                      Selector& out, ModelArena& arena,
                      std::index_sequence<I...>) {
  (void)((function.index == I
              ? (emplace_alternative<I>(args, out, arena), true)
              : false) ||
         ...);
}

// Builds the selector of a known function into `out`, or fails with its
// message over the whole call.
std::expected<void, Error> build_call(NodeRef call, Rule name,
                                      const Arguments& args, Selector& out,
                                      ModelArena& arena) {
  const SelectorFunction* function = function_of_rule(name);
  if (function == nullptr) {
    return std::unexpected(internal_fault("should have a function name", name));
  }
  if (!matches(args, *function)) {
    return std::unexpected(
        report_over(call, mismatch_message(*function), {Fault::wrong_arguments}));
  }
  emplace_function(
      *function, args, out, arena,
      std::make_index_sequence<std::variant_size_v<Selector::Variant>>());
  return {};
}

// A function call, built into `out`. Kept out of line: nested queries
// recurse through read_single, and this frame need not be on that path.
[[gnu::noinline]] std::expected<void, Error> read_call(NodeRef call,
                                                       Selector& out,
                                                       ModelArena& arena) {
  if (call.rule() != Rule::XYZ) {
    return std::unexpected(
        internal_fault("should have { statement | XYZ }", call.rule()));
  }
  std::optional<NodeRef> query_name = call.child(0);
  if (!query_name) {
    return std::unexpected(Error::message("XYZ should have query_name"));
  }
  if (query_name->rule() != Rule::query_name) {
    return std::unexpected(
        internal_fault("should have query_name", query_name->rule()));
  }
  std::optional<NodeRef> name = query_name->child(0);
  if (!name) {
    return std::unexpected(Error::internal("query_name should have a child"));
  }

  // Arguments first: their errors win over a wrong count or an unknown name.
  Arguments args;
  Argument beyond;  // an argument past the kept ones, read and dropped
  auto children = call.children();
  for (auto it = ++children.begin(); it != children.end(); ++it) {
    Argument& slot =
        args.count < Arguments::KEPT ? args.kept[args.count] : beyond;
    auto read = read_argument(*it, slot);
    if (!read) return std::unexpected(std::move(read.error()));
    ++args.count;
  }

  if (name->rule() == Rule::bad_query) {
    std::optional<std::string_view> suggestion =
        closest_string(name->text(), FUNCTION_NAMES);
    if (!suggestion) {
      return std::unexpected(
          Error::internal("function name candidates are never empty"));
    }
    return std::unexpected(report_over(
        *query_name,
        "not a valid query (Did you mean: " + std::string(*suggestion) + ")",
        {Fault::unknown_function, std::string(*suggestion)}));
  }
  return build_call(call, name->rule(), args, out, arena);
}

// The failures of build_selectors, made out of line so that no error value
// is ever in its frame (it is on the recursion path of nested queries).
[[gnu::noinline]] bool fail_shape(std::optional<Error>& failure,
                                  const char* text) {
  failure = plain_message(text);
  return false;
}

[[gnu::noinline]] bool fail_internal(std::optional<Error>& failure,
                                     std::string_view expected, Rule got) {
  failure = internal_fault(expected, got);
  return false;
}

[[gnu::noinline]] bool build_call(NodeRef call, Selector& out,
                                  ModelArena& arena,
                                  std::optional<Error>& failure) {
  auto built = read_call(call, out, arena);
  if (built) return true;
  failure = std::move(built.error());
  return false;
}

// Turns `out` into an empty nested query.
[[gnu::noinline]] JRLQuery& new_nested_query(Selector& out) {
  return out.value.emplace<selector::Query>().value;
}

// A selector_single, built into `out`: a nested query or a function call.
bool build_single(NodeRef node, Selector& out, ModelArena& arena,
                  std::optional<Error>& failure) {
  std::optional<NodeRef> child = node.child(0);
  if (!child) return fail_shape(failure, "should have { XYZ }");
  if (child->rule() != Rule::statement) {
    return build_call(*child, out, arena, failure);
  }
  if (!ModelBuilder::build_query(*child, false, new_nested_query(out), arena,
                              failure)) {
    builder::add_context("could not parse nested query", failure);
    return false;
  }
  return true;
}

}  // namespace

std::expected<Selector, Error> ModelBuilder::parse_selector_single(
    NodeRef node, ModelArena& arena) {
  Selector out;
  std::optional<Error> failure;
  if (!build_single(node, out, arena, failure)) {
    return std::unexpected(std::move(*failure));
  }
  return out;
}

bool ModelBuilder::build_selectors(NodeRef node, std::span<const Selector>& out,
                                ModelArena& arena,
                                std::optional<Error>& failure) {
  constexpr const char* shape =
      "should have { selector_list | selector_single }";
  std::optional<NodeRef> child = node.child(0);
  if (!child) return fail_shape(failure, shape);
  switch (child->rule()) {
    case Rule::selector_single: {
      const std::span<Selector> slots = arena.selectors(1);
      out = slots;
      return build_single(*child, slots[0], arena, failure);
    }
    case Rule::selector_list: {
      // Children are one hop apart in the flat tree: counting them first
      // lets the sequence be made once, at its size.
      std::size_t count = 0;
      for ([[maybe_unused]] NodeRef single : child->children()) ++count;
      const std::span<Selector> slots = arena.selectors(count);
      out = slots;
      std::size_t i = 0;
      for (NodeRef single : child->children()) {
        if (single.rule() != Rule::selector_single) {
          return fail_internal(failure, "should have selector_single",
                               single.rule());
        }
        if (!build_single(single, slots[i++], arena, failure)) return false;
      }
      return true;
    }
    default:
      return fail_internal(failure, shape, child->rule());
  }
}

}  // namespace jrl
