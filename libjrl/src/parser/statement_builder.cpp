// The walk over a file, its requirement statements and their queries:
// keyword, quantity with its checks, then the hand-over of the selector.

#include <cstdint>
#include <cstring>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "jrl/model_rules.hpp"
#include "parser/builder_errors.hpp"
#include "parser/model_builder.hpp"
#include "text/number_text.hpp"
#include "parser/number.hpp"

namespace jrl {
namespace {

using builder::internal_fault;
using builder::report_over;

constexpr std::string_view STATEMENT_SHAPE =
    "should have { select ~ quantity ~ from ~ selector ~ semicolon }, "
    "missing ";

// A quantity, priority or bound read as a u16; `fault` names which.
std::expected<std::uint16_t, Error> read_u16(NodeRef node, Fault fault) {
  auto value = parse_u16(node.text(), fault);
  if (!value) {
    return std::unexpected(Error::wrap("selection could not fit as u16",
                                       std::move(value.error())));
  }
  return *value;
}

// The quantity of a query, before the "failed parsing quantity" context.
std::expected<Quantity, Error> read_quantity(NodeRef node, bool top_level) {
  std::optional<NodeRef> child = node.child(0);
  if (!child) {
    return std::unexpected(
        Error::message("should have { quantity_single | quantity_multiple }"));
  }
  switch (child->rule()) {
    case Rule::quantity_single: {
      auto count = read_u16(*child, Fault::quantity_too_large);
      if (!count) return std::unexpected(std::move(count.error()));
      if (*count == 0) {
        return std::unexpected(report_over(*child, std::string(model_rules::ZERO_QUANTITY),
                                           {Fault::zero_quantity, {}, 1}));
      }
      return quantity::Single{*count};
    }
    case Rule::quantity_many: {
      std::optional<NodeRef> lower_node = child->child(0);
      if (!lower_node) {
        return std::unexpected(
            Error::internal("quantity_many should have a lower bound"));
      }
      auto lower = read_u16(*lower_node, Fault::quantity_too_large);
      if (!lower) return std::unexpected(std::move(lower.error()));
      std::optional<NodeRef> upper_node = child->child(1);
      if (!upper_node) {
        return std::unexpected(
            Error::internal("quantity_many should have an upper bound"));
      }
      auto upper = read_u16(*upper_node, Fault::quantity_too_large);
      if (!upper) return std::unexpected(std::move(upper.error()));
      if (top_level && *lower == 0) {
        return std::unexpected(report_over(
            *lower_node, std::string(model_rules::RANGE_FROM_ZERO),
            {Fault::range_from_zero, {}, 1}));
      }
      if (*upper < *lower) {
        return std::unexpected(report_over(
            *upper_node, model_rules::reversed_range(*lower, *upper),
            {Fault::reversed_quantity_range, {}, *lower}));
      }
      return quantity::Many{*lower, *upper};
    }
    default:
      return std::unexpected(internal_fault(
          "should have { quantity_many | quantity_single }", child->rule()));
  }
}

// The child `n` of a statement, which must be of rule `rule`.
std::expected<NodeRef, Error> statement_part(NodeRef statement, std::size_t n,
                                             Rule rule) {
  std::optional<NodeRef> child = statement.child(n);
  if (!child) {
    return std::unexpected(Error::message(std::string(STATEMENT_SHAPE) +
                                          std::string(rule_name(rule))));
  }
  if (child->rule() != rule) {
    return std::unexpected(internal_fault(
        "should have " + std::string(rule_name(rule)), child->rule()));
  }
  return *child;
}

// A query up to its selector: the keyword, the shape of the statement and
// the validated quantity.
struct QueryHead {
  JRLQueryType type;
  Quantity quantity;
  NodeRef selector;
};

std::expected<QueryHead, Error> read_head(NodeRef node, bool top_level) {
  if (node.rule() != Rule::statement) {
    return std::unexpected(
        internal_fault("should have statement", node.rule()));
  }
  std::optional<NodeRef> keyword = node.child(0);
  if (!keyword) {
    return std::unexpected(
        Error::message(std::string(STATEMENT_SHAPE) + "select"));
  }
  JRLQueryType type = JRLQueryType::Select;
  switch (keyword->rule()) {
    case Rule::select:
      break;
    case Rule::limit:
      if (!top_level) {
        return std::unexpected(
            report_over(*keyword, std::string(model_rules::NESTED_LIMIT),
                        {Fault::nested_limit}));
      }
      type = JRLQueryType::Limit;
      break;
    default:
      return std::unexpected(
          internal_fault("should have { select | limit }", keyword->rule()));
  }

  auto quantity_node = statement_part(node, 1, Rule::quantity);
  if (!quantity_node) return std::unexpected(std::move(quantity_node.error()));
  auto from_node = statement_part(node, 2, Rule::from);
  if (!from_node) return std::unexpected(std::move(from_node.error()));
  auto selector_node = statement_part(node, 3, Rule::selector);
  if (!selector_node) return std::unexpected(std::move(selector_node.error()));

  // The quantity is complete before the selector is looked at.
  auto quantity = read_quantity(*quantity_node, top_level);
  if (!quantity) {
    return std::unexpected(
        Error::wrap("failed parsing quantity", std::move(quantity.error())));
  }
  return QueryHead{type, *quantity, *selector_node};
}

// Everything of a query but its selectors, written into `out`; returns the
// selector node. Out of line, so that only its result is in the frame of
// build_query.
[[gnu::noinline]] std::optional<NodeRef> read_query_head(
    NodeRef node, bool top_level, JRLQuery& out,
    std::optional<Error>& failure) {
  auto head = read_head(node, top_level);
  if (!head) {
    failure = std::move(head.error());
    return std::nullopt;
  }
  out.quantity = head->quantity;
  out.type = head->type;
  return head->selector;
}

}  // namespace

// The whole-tree path for tests and the benchmark; see model_builder.hpp.
std::expected<JRLQueryFile, Error> ModelBuilder::parse_file(NodeRef node,
                                                        ModelArena& arena) {
  if (node.rule() != Rule::file) {
    return std::unexpected(internal_fault("should have file", node.rule()));
  }
  JRLQueryFile file;
  for (NodeRef child : node.children()) {
    if (child.rule() == Rule::EOI) continue;
    auto requirement = parse_requirement(child, arena);
    if (!requirement) return std::unexpected(std::move(requirement.error()));
    file.requirements.push_back(std::move(*requirement));
  }
  return file;
}

std::expected<JRLRequirement, Error> ModelBuilder::parse_requirement(
    NodeRef child, ModelArena& arena) {
  if (child.rule() != Rule::special_statement) {
    return std::unexpected(internal_fault(
        "should have { SOI ~ statement* ~ EOI  }", child.rule()));
  }
  std::optional<NodeRef> statement = child.child(0);
  std::optional<NodeRef> description = child.child(1);
  std::optional<NodeRef> priority_node = child.child(2);
  if (!statement || statement->rule() != Rule::statement) {
    return std::unexpected(
        Error::internal("special_statement should have a statement"));
  }
  if (!description || description->rule() != Rule::string) {
    return std::unexpected(
        Error::internal("special_statement should have a description"));
  }
  // The priority is read first, so its error wins over the query's.
  std::uint16_t priority = 1;
  if (priority_node) {
    if (priority_node->rule() != Rule::quantity_single) {
      return std::unexpected(
          internal_fault("should have quantity_single", priority_node->rule()));
    }
    auto value = read_u16(*priority_node, Fault::priority_too_large);
    if (!value) return std::unexpected(std::move(value.error()));
    priority = *value;
  }
  auto query = parse_query(*statement, true, arena);
  if (!query) return std::unexpected(std::move(query.error()));
  auto text = parse_string(*description, arena);
  if (!text) return std::unexpected(std::move(text.error()));
  return JRLRequirement{*query, *text, priority};
}

std::expected<JRLQuery, Error> ModelBuilder::parse_query(NodeRef node,
                                                      bool top_level,
                                                      ModelArena& arena) {
  JRLQuery query;
  std::optional<Error> failure;
  if (!build_query(node, top_level, query, arena, failure)) {
    return std::unexpected(std::move(*failure));
  }
  return query;
}

bool ModelBuilder::build_query(NodeRef node, bool top_level, JRLQuery& out,
                            ModelArena& arena, std::optional<Error>& failure) {
  std::optional<NodeRef> selector =
      read_query_head(node, top_level, out, failure);
  if (!selector) return false;
  if (!build_selectors(*selector, out.selector, arena, failure)) {
    builder::add_context("failed parsing selector", failure);
    return false;
  }
  return true;
}

std::expected<std::string_view, Error> ModelBuilder::string_content(
    NodeRef node) {
  if (node.rule() != Rule::string) {
    return std::unexpected(internal_fault("should have string", node.rule()));
  }
  std::string_view text = node.text();
  if (text.size() < 2) {
    return std::unexpected(
        Error::internal("string should be enclosed in double quotes"));
  }
  return text.substr(1, text.size() - 2);
}

std::string_view ModelBuilder::unquote(std::string_view content,
                                    ModelArena& arena) {
  // Most strings hold no quote at all: one copy.
  const std::size_t quote = content.find('"');
  if (quote == std::string_view::npos) return arena.text(content);
  // The unquoted text is shorter; the room it leaves unused is a few bytes.
  char* const first = static_cast<char*>(arena.allocate(content.size(), 1));
  std::memcpy(first, content.data(), quote);
  char* out = first + quote;
  for (std::size_t i = quote; i < content.size(); ++i) {
    *out++ = content[i];
    // A doubled quote stands for one; skip its second half.
    if (content[i] == '"' && i + 1 < content.size() && content[i + 1] == '"') {
      ++i;
    }
  }
  return {first, static_cast<std::size_t>(out - first)};
}

std::expected<std::string_view, Error> ModelBuilder::parse_string(
    NodeRef node, ModelArena& arena) {
  auto content = string_content(node);
  if (!content) return std::unexpected(std::move(content.error()));
  return unquote(*content, arena);
}

}  // namespace jrl
