// What every fuzz input is checked for, besides the sanitizers. A broken
// property aborts with a message naming it, which the fuzzer reports as a
// crash with the input that caused it.
#pragma once

#include <string_view>

namespace jrl::fuzz {

// Parses `input` twice and checks: the two outcomes are the same; on
// success both JSON forms are JSON with the same content, the compact form
// has no whitespace and the pretty form is the compact form re-indented, and
// the debug text is a whole ParseResult; on failure the error is not an
// internal fault, its text is non-empty UTF-8, and every report in its chain
// lies inside the input with the line and column of its offset. Input that
// is not UTF-8 must be rejected.
void check_parse(std::string_view input);

// Aborts with `what` when `ok` is false.
void require(bool ok, const char* what);

}  // namespace jrl::fuzz
