// The command line of `jrl`: which command, on which files, how. One parser
// reads it for every command, from the table of options in options.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/describe.hpp"
#include "jrl/format.hpp"

namespace jrl::cli {

struct CommandSpec;
struct ReportFormat;

enum class ColourMode { automatic, always, never };
enum class WarningMode { show, error, ignore };
enum class AuditFormat { text, json, html };

// The pages of usage text: `jrl --help`, for every command but fmt, and
// `jrl fmt --help`. The options a command knows are those of its page;
// `jrl COMMAND --help` shows the command's own share of them.
enum class Page { main, fmt };
inline constexpr std::size_t PAGE_COUNT = 2;

struct Options {
  const CommandSpec* command = nullptr;  // none when only -h or -V is asked
  bool help = false;     // -h: print the usage page and exit
  bool version = false;  // -V: print the version and exit
  // "-" stands for standard input; check and fmt: a directory stands for
  // every *.jrl file below it. explain: the codes to explain.
  std::vector<std::string> files;
  ColourMode colour = ColourMode::automatic;
  // json
  bool pretty = false;  // indented output
  // check
  bool verbose = false;                      // report good files too
  const ReportFormat* format = nullptr;      // how failures are reported
  WarningMode warnings = WarningMode::show;
  std::string stdin_filename;  // the name standard input is shown by
  unsigned jobs = 1;           // files checked at a time
  bool fix = false;            // apply the fixes found, then check
  // --catalogue is also check's; --no-config: no jrl.toml names it
  bool no_config = false;
  // fmt
  bool list_changes = false;      // --check: change nothing, list files
  bool diff = false;              // change nothing, print a diff
  bool allow_hard_links = false;  // rewrite a hard-linked file in place
  FormatOptions layout;
  // explain
  bool list_codes = false;  // --list: every code, its name and title
  // courses
  std::string catalogue;      // --catalogue: the catalogue's JSON file
  bool courses_json = false;  // --format=json: JSON Lines
  // diff (and --catalogue above)
  bool diff_json = false;  // --format=json: one JSON document
  // departments
  bool json_list = false;  // --json: the codes as one JSON array
  // describe (and `catalogue`, optional here)
  DescribeFormat describe_format = DescribeFormat::text;  // --format
  // audit (also --catalogue and --jobs)
  std::string record;        // --record: one student's JSON file
  std::string records;       // --records: JSON Lines, a student a line
  AuditFormat audit_format = AuditFormat::text;  // --format
  // --include: which attempts take part, by status
  bool include_completed = true;
  bool include_in_progress = true;
  bool include_planned = false;
  std::size_t time_limit_ms = 0;  // --time-limit; 0 for the default
  // --programmes, as often as given: folders (their *.jrl files) or files
  // to rank the student's standing in
  std::vector<std::string> programmes;
  std::string output;        // --output: a folder, a file per student
  bool no_progress = false;  // --no-progress: no bar even on a terminal
};

// The most threads --jobs may ask for.
inline constexpr unsigned MAX_JOBS = 256;

// An option: how it is written, what it does on each page of usage text,
// and how its value is read into Options.
struct OptionSpec {
  std::string_view short_name;  // "-v", or empty
  std::string_view name;        // "--verbose"
  // Its value as the usage text shows it after the name ("=FORMAT", " N");
  // empty for an option without a value.
  std::string_view value;
  // The one command it applies to among those of its page; empty for all.
  // Two rows may share a name when each is for one command.
  std::string_view only_for;
  // Its help on each page, lines separated by "\n"; empty where the page's
  // commands do not know it.
  std::array<std::string_view, PAGE_COUNT> help;
  // Lines listed after the first line of its help, as the usage text shows
  // them (the formats of --format); may be null.
  std::string (*listing)();
  // Reads the value into `options`; a failure is the usage error. `option`
  // is the name, for the message.
  std::expected<void, std::string> (*set)(Options& options,
                                          std::string_view option,
                                          std::string_view value);
};

// Every option, in the order the usage pages list them.
std::span<const OptionSpec> option_table();

// A usage error: its one-line message, and the page that explains usage.
struct UsageError {
  std::string message;
  Page page;
};

// Reads the arguments after the program name.
std::expected<Options, UsageError> parse_options(
    std::span<const std::string_view> args);

}  // namespace jrl::cli
