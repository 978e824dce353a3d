// Parse trees and rule lists as short texts, for tests to compare against.
#pragma once

#include <string>
#include <vector>

#include "parser/parse_tree.hpp"
#include "language/rule.hpp"

namespace jrl::test {

// Rule names separated by spaces.
inline std::string names(const std::vector<Rule>& rules) {
  std::string out;
  for (Rule rule : rules) {
    if (!out.empty()) out += ' ';
    out += rule_name(rule);
  }
  return out;
}

// `rule"text"` for a leaf, `rule(child child ...)` otherwise; with spans,
// `rule@start-end` for a leaf and `rule@start-end(...)` otherwise.
inline std::string tree_text(NodeRef node, bool with_spans) {
  std::string out(rule_name(node.rule()));
  if (with_spans) {
    out += '@' + std::to_string(node.start()) + '-' +
           std::to_string(node.end());
  }
  if (node.children().empty()) {
    if (!with_spans) {
      out += '"';
      out += node.text();
      out += '"';
    }
    return out;
  }
  out += '(';
  bool first = true;
  for (NodeRef child : node.children()) {
    if (!first) out += ' ';
    first = false;
    out += tree_text(child, with_spans);
  }
  out += ')';
  return out;
}

inline std::string shape(NodeRef node) { return tree_text(node, false); }
inline std::string spans(NodeRef node) { return tree_text(node, true); }

// The node list as stored, in pre-order: `rule@start-end/subtree_end` each.
inline std::string node_list(const ParseTree& tree) {
  std::string out;
  for (const Node& node : tree.nodes) {
    if (!out.empty()) out += ' ';
    out += std::string(rule_name(node.rule)) + '@' +
           std::to_string(node.start) + '-' + std::to_string(node.end) + '/' +
           std::to_string(node.subtree_end);
  }
  return out;
}

}  // namespace jrl::test
