// How a run of the parsing-expression engine fails: the values that leave a
// run when its start rule does not match the whole input.
#pragma once

#include <cstddef>
#include <variant>
#include <vector>

#include "language/rule.hpp"

namespace jrl {

// The input did not match: the furthest position at which a rule failed and
// the rules attempted there, each list sorted by rule order, no duplicates.
struct SyntaxError {
  std::size_t position = 0;
  std::vector<Rule> positives;
  std::vector<Rule> negatives;
  friend bool operator==(const SyntaxError&, const SyntaxError&) = default;
};

// A nesting limit would have been exceeded; the run stops at the start of the
// construct that would have gone too deep.
struct NestingTooDeep {
  std::size_t position = 0;
  friend bool operator==(const NestingTooDeep&,
                         const NestingTooDeep&) = default;
};

using GrammarFailure = std::variant<SyntaxError, NestingTooDeep>;

}  // namespace jrl
