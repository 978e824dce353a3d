// The errors the builders make, shared by the statement and selector
// builders. They are out-of-line calls so that the frames on the recursion
// path of nested queries stay small.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jrl/error.hpp"
#include "parser/parse_tree.hpp"
#include "language/rule.hpp"

namespace jrl::builder {

// "internal error: entered unreachable code: " + expected + ", got " + rule.
Error internal_fault(std::string_view expected, Rule got);

// A report error with `message` over the span of `node`, telling `detail`.
Error report_over(NodeRef node, std::string message, FaultDetail detail);

// A plain message without position.
Error plain_message(const char* text);

// Wraps the error held by `failure` in the context message `context`.
void add_context(const char* context, std::optional<Error>& failure);

}  // namespace jrl::builder
