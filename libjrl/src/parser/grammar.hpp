// Running the grammar with the start rule `file` over a whole input.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>
#include <variant>
#include <vector>

#include "parser/parse_tree.hpp"
#include "parser/rule.hpp"

namespace jrl {

// The deepest statement nesting accepted; the top-level statement is depth 1.
inline constexpr std::size_t MAX_NESTING_DEPTH = 256;

// The input did not match: the furthest position at which a rule failed and
// the rules attempted there, each list sorted by rule order, no duplicates.
struct SyntaxError {
  std::size_t position = 0;
  std::vector<Rule> positives;
  std::vector<Rule> negatives;
  friend bool operator==(const SyntaxError&, const SyntaxError&) = default;
};

// A statement would have been entered deeper than MAX_NESTING_DEPTH; the run
// stops at its start.
struct NestingTooDeep {
  std::size_t position = 0;
  friend bool operator==(const NestingTooDeep&,
                         const NestingTooDeep&) = default;
};

using GrammarFailure = std::variant<SyntaxError, NestingTooDeep>;

// Runs `file` over the whole input (which must be shorter than 4 GiB). On
// success the tree's first node is the `file` node. With a sink, each
// `special_statement` goes to it as soon as it and its ";" have matched and
// is then dropped, so the tree holds one statement at a time; the tree
// returned then holds the `file` node and EOI alone.
std::expected<ParseTree, GrammarFailure> run_grammar(std::string_view input,
                                                     NodeSink* sink = nullptr);

}  // namespace jrl
