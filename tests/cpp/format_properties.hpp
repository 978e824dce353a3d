// The properties every formatted text must have, checked by the tests over
// shipped and generated files and by the fuzz target over any input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jrl::testing {

// For a text that parses, formatted at `width`: the result parses to the
// same JSON; formatting it again changes nothing; its comments are the
// input's, in order (less trailing whitespace); a line wider than `width`
// holds a single item too long by itself (a long comment, description or
// call), never a list laid on one line. Each broken property is named in
// the result; a text that does not parse must fail to format with parse's
// error. Empty when all hold.
std::vector<std::string> format_violations(std::string_view text,
                                           std::size_t width);

// The comments of a text that parses, each without trailing whitespace.
std::vector<std::string_view> comments_of(std::string_view text);

}  // namespace jrl::testing
