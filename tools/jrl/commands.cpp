#include "commands.hpp"

#include <array>

namespace jrl::cli {
namespace {

constexpr std::string_view NEEDS_A_FILE =
    "needs a file (use - for standard input)";

constexpr std::array COMMANDS{
    CommandSpec{"check", "PATH...",
                "check each file and report every error and warning;\n"
                "print nothing for a good file. A directory means every\n"
                "*.jrl file below it",
                Page::main, NEEDS_A_FILE, false, run_check},
    CommandSpec{"json", "FILE", "print the parsed file as JSON", Page::main,
                NEEDS_A_FILE, true, run_json},
    CommandSpec{"debug", "FILE", "print the parsed file as debug text",
                Page::main, NEEDS_A_FILE, true, run_debug},
    CommandSpec{"explain", "CODE...",
                "describe a diagnostic code such as JRL010", Page::main,
                "needs a code such as JRL010", false, run_explain},
    CommandSpec{"fmt", "PATH...",
                "rewrite files in the canonical layout (see\n"
                "'jrl fmt --help')",
                Page::fmt,
                "needs a file or directory (use - for standard input)", false,
                run_fmt},
};

}  // namespace

std::span<const CommandSpec> command_table() { return COMMANDS; }

const CommandSpec* find_command(std::string_view name) {
  for (const CommandSpec& command : COMMANDS) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace jrl::cli
