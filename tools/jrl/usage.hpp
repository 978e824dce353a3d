// The usage text of `jrl`, made from the tables of commands, options and
// report formats.
#pragma once

#include <string>
#include <string_view>

#include "options.hpp"

namespace jrl::cli {

struct CommandSpec;

// The text `jrl --help` prints (no command), or `jrl COMMAND --help`: the
// command's usage and the options it knows.
std::string usage_text(const CommandSpec* command);

// A usage error as jrl prints it on standard error: "jrl: MESSAGE", then
// where to read how the command is used.
std::string usage_error_text(const UsageError& error);

// The command that prints `page`, as a usage error points to it:
// "jrl --help", "jrl fmt --help".
std::string_view help_command(Page page);

}  // namespace jrl::cli
