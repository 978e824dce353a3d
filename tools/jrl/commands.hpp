// The commands of `jrl`, as a table: each command's name, its place in the
// usage text, what it needs, and the function that runs it. Each returns the
// process exit status: 0 when every file is good, 1 when any failed to
// parse, 2 when any could not be read.
#pragma once

#include <span>
#include <string_view>

#include "options.hpp"

namespace jrl::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

struct CommandSpec {
  std::string_view name;
  // As the usage text shows them: "PATH..."; empty when it takes none.
  std::string_view operands;
  std::string_view summary;   // its help, lines separated by "\n"
  Page page;                  // the usage page its options are on
  // The usage error when no operand is given; empty when none is needed.
  std::string_view missing;
  bool one_operand;           // takes exactly one
  int (*run)(const Options& options);
};

// Every command, in the order the usage text lists them.
std::span<const CommandSpec> command_table();

// The command called `name`, or null.
const CommandSpec* find_command(std::string_view name);

// The command `name` is most likely a mistyping of (a few characters
// added, left out or changed), or null.
const CommandSpec* closest_command(std::string_view name);

int run_check(const Options& options);
// `json` and `debug`: the parsed file on standard output.
int run_json(const Options& options);
int run_debug(const Options& options);
// `explain`: the documentation of each code named.
int run_explain(const Options& options);
int run_fmt(const Options& options);
// `courses`: what each statement selects from a catalogue.
int run_courses(const Options& options);
// `diff`: what changed in meaning between two versions of a programme.
int run_diff(const Options& options);
// `describe`: the programme in plain words.
int run_describe(const Options& options);
// `audit`: which requirements each student's record meets.
int run_audit(const Options& options);
// `audit` with several programmes: the student's standing in each, closest
// first.
int run_closest(const Options& options);
// `departments`: the registry's codes, one a line.
int run_departments(const Options& options);

// Exit status of `fmt` for a file that does not parse: distinct from a
// file that would be reformatted (EXIT_FAILED) and from a usage error.
inline constexpr int EXIT_UNPARSED = 3;

}  // namespace jrl::cli
