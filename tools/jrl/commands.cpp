#include "commands.hpp"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace jrl::cli {
namespace {

constexpr std::string_view NEEDS_A_FILE =
    "needs a file (use - for standard input)";

constexpr std::array COMMANDS{
    CommandSpec{"check", "PATH...",
                "check each file and report every error and warning;\n"
                "for good files print nothing, or on a terminal one\n"
                "line. A directory means every *.jrl file below it",
                Page::main, NEEDS_A_FILE, false, run_check},
    CommandSpec{"json", "FILE", "print the parsed file as JSON", Page::main,
                NEEDS_A_FILE, true, run_json},
    CommandSpec{"debug", "FILE", "print the parsed file as debug text",
                Page::main, NEEDS_A_FILE, true, run_debug},
    CommandSpec{"explain", "CODE...",
                "describe a diagnostic code such as JRL010; --list\n"
                "lists them all",
                Page::main, "needs a code such as JRL010 (or --list)", false,
                run_explain},
    CommandSpec{"courses", "FILE",
                "list the catalogue courses each statement selects\n"
                "(needs --catalogue)",
                Page::main, NEEDS_A_FILE, true, run_courses},
    CommandSpec{"diff", "OLD NEW",
                "compare two versions of a programme by meaning:\n"
                "the statements added, removed and changed",
                Page::main, "needs two files, the old version and the new",
                false, run_diff},
    CommandSpec{"describe", "FILE",
                "print the programme in plain words for catalogue\n"
                "pages and advisers: text, Markdown or one HTML page",
                Page::main, NEEDS_A_FILE, true, run_describe},
    CommandSpec{"audit", "PROGRAMME...",
                "audit student records against a programme: which\n"
                "requirements each student has met and what is missing\n"
                "(needs --catalogue, and --record or --records); with\n"
                "several programmes, which one each student is closest to",
                Page::main, "needs a programme file (use - for standard input)",
                false, run_audit},
    CommandSpec{"departments", "",
                "list the department codes a course may name", Page::main,
                "", false, run_departments},
    CommandSpec{"fmt", "PATH...",
                "rewrite files in the canonical layout (see\n"
                "'jrl fmt --help')",
                Page::fmt,
                "needs a file or directory (use - for standard input)", false,
                run_fmt},
};

// The edits (insert, delete or replace one character) that turn `a` into
// `b`: the distance a mistyped name is from the one meant.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

const CommandSpec* closest_command(std::string_view name) {
  const CommandSpec* best = nullptr;
  // A third of the name may be wrong, and at least one character.
  std::size_t best_distance = std::max<std::size_t>(1, name.size() / 3) + 1;
  for (const CommandSpec& command : COMMANDS) {
    const std::size_t distance = edit_distance(name, command.name);
    if (distance < best_distance) {
      best = &command;
      best_distance = distance;
    }
  }
  return best;
}

std::span<const CommandSpec> command_table() { return COMMANDS; }

const CommandSpec* find_command(std::string_view name) {
  for (const CommandSpec& command : COMMANDS) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace jrl::cli
