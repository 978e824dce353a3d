// Checking a text without keeping its model, for readers that need to know
// only that it parses, or that read its tree as it goes (the formatter).
#pragma once

#include <expected>
#include <string_view>

#include "jrl/error.hpp"
#include "parser/parse_tree.hpp"

namespace jrl {

// Succeeds exactly when `parse(input)` does, and fails with the same error;
// each requirement is built and checked, then dropped.
std::expected<void, Error> check_text(std::string_view input);

// The same, in the same one grammar run, handing each statement to
// `statements` once it has built and while its nodes live, until one fails
// to build. When the run fails, `statements` is told to discard what it took.
std::expected<void, Error> check_text(std::string_view input,
                                      NodeSink& statements);

}  // namespace jrl
