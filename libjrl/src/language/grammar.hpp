// Running the grammar with the start rule `file` over a whole input.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>

#include "jrl/parse.hpp"
#include "parser/engine_failure.hpp"
#include "parser/parse_tree.hpp"
#include "language/rule.hpp"

namespace jrl {

// Runs `file` over the whole input (which must be shorter than 4 GiB). On
// success the tree's first node is the `file` node. With a sink, each
// `special_statement` goes to it as soon as it and its ";" have matched and
// is then dropped, so the tree holds one statement at a time; the tree
// returned then holds the `file` node and EOI alone. A statement nested
// deeper than MAX_NESTING_DEPTH fails the run with NestingTooDeep at its
// start.
std::expected<ParseTree, GrammarFailure> run_grammar(std::string_view input,
                                                     NodeSink* sink = nullptr);

}  // namespace jrl
