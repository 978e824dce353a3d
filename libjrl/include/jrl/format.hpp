// The canonical layout of requirements files: `format` rewrites a file that
// parses into the one layout docs/style.md describes, keeping its comments
// and never changing what it means.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl {

struct FormatOptions {
  // The longest line, in characters (code points), that the layout aims
  // for. A single item longer by itself (a long description, a comment)
  // still stands on one line.
  std::size_t width = 100;
};

// The text in canonical layout. A text that does not parse is not
// formatted: the error is the one `parse` gives for it. A byte-order mark
// at the start is skipped and kept in front of the result (see
// jrl/position.hpp): the error is then that of the text after it. Call it qualified
// (`jrl::format`): unqualified, argument lookup also finds `std::format`.
std::expected<std::string, Error> format(std::string_view text,
                                         const FormatOptions& options = {});

}  // namespace jrl
