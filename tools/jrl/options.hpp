// The command line of `jrl`: what to do, on which files, how to show it.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jrl::cli {

enum class Command { check, json, debug, help, version };
enum class ColourMode { automatic, always, never };
enum class Format { text, json };

struct Options {
  Command command = Command::help;
  std::vector<std::string> files;  // "-" stands for standard input
  bool pretty = false;             // json: indented output
  bool verbose = false;            // check: report good files too
  ColourMode colour = ColourMode::automatic;
  Format format = Format::text;  // check: how failures are reported
};

// Reads the arguments after the program name. A usage error comes back as
// its one-line message.
std::expected<Options, std::string> parse_options(
    std::span<const std::string_view> args);

// `text` between single quotes, as usage messages show a value.
std::string quoted(std::string_view text);

// The text printed by --help.
std::string usage_text();

}  // namespace jrl::cli
