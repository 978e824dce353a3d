// The usage text of `jrl`, made from the tables of commands, options and
// report formats.
#pragma once

#include <string>
#include <string_view>

#include "options.hpp"

namespace jrl::cli {

// The text `--help` prints on `page`.
std::string usage_text(Page page);

// The command that prints `page`, as a usage error points to it:
// "jrl --help", "jrl fmt --help".
std::string_view help_command(Page page);

}  // namespace jrl::cli
