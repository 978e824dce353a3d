// The message of a grammar failure, naming rules as a user reads them.
#pragma once

#include <string>

#include "language/grammar.hpp"

namespace jrl {

// "expected A, B, or C", "unexpected A; expected B", "unexpected A" or
// "unknown parsing error", with the rules in the order the error lists them.
std::string grammar_message(const SyntaxError& error);

}  // namespace jrl
