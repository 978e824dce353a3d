// The command line of `jrl`: what to do, on which files, how to show it.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jrl::cli {

enum class Command { check, json, debug, explain, help, version };
enum class ColourMode { automatic, always, never };
enum class Format { text, short_lines, json, github, sarif };
enum class WarningMode { show, error, ignore };

struct Options {
  Command command = Command::help;
  // "-" stands for standard input; check: a directory stands for every
  // *.jrl file below it. explain: the codes to explain.
  std::vector<std::string> files;
  bool pretty = false;             // json: indented output
  bool verbose = false;            // check: report good files too
  ColourMode colour = ColourMode::automatic;
  Format format = Format::text;  // check: how failures are reported
  WarningMode warnings = WarningMode::show;  // check
  std::string stdin_filename;  // check: the name standard input is shown by
  unsigned jobs = 1;  // check: files checked at a time (default: the cores)
};

// The most threads --jobs may ask for.
inline constexpr unsigned MAX_JOBS = 256;

// Reads the arguments after the program name. A usage error comes back as
// its one-line message.
std::expected<Options, std::string> parse_options(
    std::span<const std::string_view> args);

// `text` between single quotes, as usage messages show a value.
std::string quoted(std::string_view text);

// The text printed by --help.
std::string usage_text();

}  // namespace jrl::cli
