// Selectors: lists, function calls with their argument checks, course
// references and nested queries (which recurse into parse_query).

#include <array>
#include <cstddef>
#include <expected>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "parser/builder_errors.hpp"
#include "parser/jrl_parser.hpp"
#include "parser/number.hpp"
#include "wexmoor_departments/closest_string.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl {
namespace {

using builder::internal_fault;
using builder::plain_message;
using builder::report_over;

using closest_string::closest_string;
using wexmoor_departments::is_department;
using wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST;

// The candidates for an unknown function name; their order breaks ties.
constexpr std::array<std::string_view, 9> FUNCTION_NAMES = {
    "CLASS", "RANGE",     "TAG_DEPT",   "TAG",      "PLACEMENT",
    "DIST",  "DIST_DEPT", "RANGE_DIST", "RANGE_TAG"};

// One argument of a function call, alive only while the call is built.
struct Argument {
  std::variant<Class, std::string> value;
};

enum class Kind { Class, String };

// Error paths are out-of-line calls, so that the frames on the recursion path
// of nested queries stay small.
[[gnu::noinline]] Error nested_failure(Error&& cause) {
  return Error::wrap("could not parse nested query", std::move(cause));
}

std::expected<Class, Error> read_class(NodeRef node) {
  std::optional<NodeRef> department = node.child(0);
  if (!department) {
    return std::unexpected(Error::message("expected department_id"));
  }
  if (department->rule() == Rule::bad_department_id) {
    return std::unexpected(
        report_over(*department,
                    "departments must be 4 uppercase ASCII character symbols"));
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
  auto number = parse_u16(digits);
  if (!number) {
    return std::unexpected(Error::wrap("could not parse class_id into u16",
                                       std::move(number.error())));
  }

  std::string_view code = department->text();
  if (is_department(code)) return Class{std::string(code), *number, lab};
  std::optional<std::string_view> suggestion =
      closest_string(code, WEXMOOR_DEPARTMENTS_LIST.get());
  if (!suggestion) {
    return std::unexpected(
        Error::internal("WEXMOOR_DEPARTMENTS_LIST is never empty"));
  }
  return std::unexpected(report_over(
      *department,
      "this department does not exist in Wexmoor's course catalog (Did you "
      "mean: " +
          std::string(*suggestion) + ")"));
}

std::expected<Argument, Error> read_argument(NodeRef node) {
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
      auto text = JRLParser::parse_string(*child);
      if (!text) return std::unexpected(std::move(text.error()));
      return Argument{std::move(*text)};
    }
    case Rule::class_argument: {
      auto course = read_class(*child);
      if (!course) return std::unexpected(std::move(course.error()));
      return Argument{std::move(*course)};
    }
    default:
      return std::unexpected(internal_fault(
          "should have { string | class_argument }", child->rule()));
  }
}

bool matches(const std::vector<Argument>& args,
             std::initializer_list<Kind> pattern) {
  if (args.size() != pattern.size()) return false;
  std::size_t i = 0;
  for (Kind kind : pattern) {
    const bool is_class = std::holds_alternative<Class>(args[i++].value);
    if (is_class != (kind == Kind::Class)) return false;
  }
  return true;
}

// Moves argument `i` out as a class or a text; the pattern was checked.
Class take_class(std::vector<Argument>& args, std::size_t i) {
  return std::move(std::get<Class>(args[i].value));
}
std::string take_string(std::vector<Argument>& args, std::size_t i) {
  return std::move(std::get<std::string>(args[i].value));
}

// Builds the selector of a known function, or fails with its message over
// the whole call.
std::expected<Selector, Error> build_call(NodeRef call, Rule name,
                                          std::vector<Argument>& args) {
  using K = Kind;
  auto mismatch = [&](const char* message) {
    return std::unexpected(report_over(call, message));
  };
  switch (name) {
    case Rule::class_:
      if (!matches(args, {K::Class})) {
        return mismatch(
            "CLASS function must take one <CLASS> argument of the form "
            "`DEPARTMENT_ID CLASS_ID`");
      }
      return Selector{selector::Class{take_class(args, 0)}};
    case Rule::placement:
      if (!matches(args, {K::String})) {
        return mismatch(
            "PLACEMENT function must take one <STRING> argument of the form "
            "`\"abcXYZ123\"`");
      }
      return Selector{selector::Placement{take_string(args, 0)}};
    case Rule::tag:
      if (!matches(args, {K::String})) {
        return mismatch(
            "TAG function must take one <STRING> argument of the form "
            "`\"abcXYZ123\"`");
      }
      return Selector{selector::Tag{take_string(args, 0)}};
    case Rule::tag_dept:
      if (!matches(args, {K::String, K::String})) {
        return mismatch(
            "TAG_DEPT function must take two <STRING>, <STRING> arguments of "
            "the form `\"WX TAG\"`, `\"Wexmoor Major Code\"`");
      }
      return Selector{
          selector::TagCode{take_string(args, 0), take_string(args, 1)}};
    case Rule::dist:
      if (!matches(args, {K::String})) {
        return mismatch(
            "DIST function must take one <STRING> argument of the form "
            "`\"WX dist\"`");
      }
      return Selector{selector::Dist{take_string(args, 0)}};
    case Rule::dist_dept:
      if (!matches(args, {K::String, K::String})) {
        return mismatch(
            "DIST_DEPT function must take two <STRING>, <STRING> arguments of "
            "the form `\"WX dist\"`, `\"Wexmoor Major Code\"`");
      }
      return Selector{
          selector::DistCode{take_string(args, 0), take_string(args, 1)}};
    case Rule::range:
      if (!matches(args, {K::Class, K::Class})) {
        return mismatch(
            "RANGE function must take two <CLASS>, <CLASS> arguments of the "
            "form `DEPARTMENT_ID CLASS_ID`");
      }
      return Selector{
          selector::Range{take_class(args, 0), take_class(args, 1)}};
    case Rule::range_dist:
      if (!matches(args, {K::Class, K::Class, K::String})) {
        return mismatch(
            "RANGE_DIST function must take three <CLASS>, <CLASS>, <STRING> "
            "arguments");
      }
      return Selector{selector::RangeDist{
          take_class(args, 0), take_class(args, 1), take_string(args, 2)}};
    case Rule::range_tag:
      if (!matches(args, {K::Class, K::Class, K::String})) {
        return mismatch(
            "RANGE_TAG function must take three <CLASS>, <CLASS>, <STRING> "
            "arguments");
      }
      return Selector{selector::RangeTag{
          take_class(args, 0), take_class(args, 1), take_string(args, 2)}};
    default:
      return std::unexpected(
          internal_fault("should have a function name", name));
  }
}

// A function call. Kept out of line: nested queries recurse through
// parse_selector_single, and this frame need not be on that path.
[[gnu::noinline]] std::expected<Selector, Error> parse_call(NodeRef call) {
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
  std::vector<Argument> args;
  auto children = call.children();
  for (auto it = ++children.begin(); it != children.end(); ++it) {
    auto arg = read_argument(*it);
    if (!arg) return std::unexpected(std::move(arg.error()));
    args.push_back(std::move(*arg));
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
        "not a valid query (Did you mean: " + std::string(*suggestion) + ")"));
  }
  return build_call(call, name->rule(), args);
}

}  // namespace

std::expected<std::vector<Selector>, Error> JRLParser::parse_selector_list(
    NodeRef node) {
  std::vector<Selector> selectors;
  for (NodeRef child : node.children()) {
    if (child.rule() != Rule::selector_single) {
      return std::unexpected(
          internal_fault("should have selector_single", child.rule()));
    }
    auto single = parse_selector_single(child);
    if (!single) return std::unexpected(std::move(single.error()));
    selectors.push_back(std::move(*single));
  }
  return selectors;
}

std::expected<Selector, Error> JRLParser::parse_selector_single(NodeRef node) {
  std::optional<NodeRef> child = node.child(0);
  if (!child) return std::unexpected(plain_message("should have { XYZ }"));
  if (child->rule() == Rule::statement) {
    auto nested = parse_query(*child, false);
    if (!nested) {
      return std::unexpected(nested_failure(std::move(nested.error())));
    }
    return Selector{selector::Query{std::move(*nested)}};
  }
  return parse_call(*child);
}

}  // namespace jrl
