#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace jrl::cli {
namespace {

std::optional<Command> command_named(std::string_view name) {
  if (name == "check") return Command::check;
  if (name == "json") return Command::json;
  if (name == "debug") return Command::debug;
  if (name == "explain") return Command::explain;
  return std::nullopt;
}


// Splits `--name=value`; `value` is empty when there is no '='.
struct LongOption {
  std::string_view name;
  std::optional<std::string_view> value;
};

// A --jobs value: a decimal number from 1 to MAX_JOBS.
std::optional<unsigned> job_count(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
      value > MAX_JOBS) {
    return std::nullopt;
  }
  return value;
}

// One thread per core, as far as the system tells.
unsigned default_jobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, MAX_JOBS);
}

LongOption split_long_option(std::string_view arg) {
  const auto eq = arg.find('=');
  if (eq == std::string_view::npos) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

// Checks the options against the command they were given with.
struct Seen {
  bool pretty = false;
  bool verbose = false;
  bool format = false;
  bool warnings = false;
  bool stdin_filename = false;
  bool jobs = false;
};

std::expected<Options, std::string> validate(Options options,
                                             const Seen& seen) {
  const auto name = options.command == Command::check     ? "check"
                    : options.command == Command::json    ? "json"
                    : options.command == Command::explain ? "explain"
                                                          : "debug";
  const bool saw_pretty = seen.pretty;
  const bool saw_verbose = seen.verbose;
  const bool saw_format = seen.format;
  if (saw_pretty && options.command != Command::json) {
    return std::unexpected("option '--pretty' only applies to 'jrl json'");
  }
  if (saw_verbose && options.command != Command::check) {
    return std::unexpected("option '--verbose' only applies to 'jrl check'");
  }
  if (saw_format && options.command != Command::check) {
    return std::unexpected("option '--format' only applies to 'jrl check'");
  }
  if (seen.warnings && options.command != Command::check) {
    return std::unexpected("option '--warnings' only applies to 'jrl check'");
  }
  if (seen.stdin_filename && options.command != Command::check) {
    return std::unexpected(
        "option '--stdin-filename' only applies to 'jrl check'");
  }
  if (seen.jobs && options.command != Command::check) {
    return std::unexpected("option '--jobs' only applies to 'jrl check'");
  }
  if (options.command == Command::explain && options.files.empty()) {
    return std::unexpected("'jrl explain' needs a code such as JRL010");
  }
  if (options.files.empty()) {
    return std::unexpected(std::string("'jrl ") + name +
                           "' needs a file (use - for standard input)");
  }
  if (options.command != Command::check &&
      options.command != Command::explain && options.files.size() > 1) {
    return std::unexpected(std::string("'jrl ") + name +
                           "' takes exactly one file");
  }
  return options;
}

}  // namespace

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  out.append(text);
  out.push_back('\'');
  return out;
}

std::expected<Options, std::string> parse_options(
    std::span<const std::string_view> args) {
  Options options;
  options.jobs = default_jobs();
  std::optional<Command> command;
  Seen seen;
  bool only_files = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool is_option = !only_files && arg.size() > 1 && arg.front() == '-';
    if (!is_option) {
      if (!command) {
        command = command_named(arg);
        if (!command) return std::unexpected("unknown command " + quoted(arg));
      } else {
        options.files.emplace_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      options.command = Command::help;
      return options;
    }
    if (arg == "-V" || arg == "--version") {
      options.command = Command::version;
      return options;
    }
    if (arg == "-v" || arg == "--verbose") {
      seen.verbose = true;
      options.verbose = true;
      continue;
    }
    if (arg == "--pretty") {
      seen.pretty = true;
      options.pretty = true;
      continue;
    }

    auto [name, value] = split_long_option(arg);
    if (name != "--color" && name != "--format" && name != "--warnings" &&
        name != "--stdin-filename" && name != "--jobs") {
      return std::unexpected("unknown option " + quoted(arg));
    }
    if (!value) {
      if (i + 1 == args.size()) {
        return std::unexpected("option " + quoted(name) + " needs a value");
      }
      value = args[++i];
    }
    if (name == "--color") {
      if (*value == "auto") {
        options.colour = ColourMode::automatic;
      } else if (*value == "always") {
        options.colour = ColourMode::always;
      } else if (*value == "never") {
        options.colour = ColourMode::never;
      } else {
        return std::unexpected("invalid value " + quoted(*value) +
                               " for '--color' (expected auto, always or "
                               "never)");
      }
    } else if (name == "--warnings") {
      seen.warnings = true;
      if (*value == "show") {
        options.warnings = WarningMode::show;
      } else if (*value == "error") {
        options.warnings = WarningMode::error;
      } else if (*value == "ignore") {
        options.warnings = WarningMode::ignore;
      } else {
        return std::unexpected("invalid value " + quoted(*value) +
                               " for '--warnings' (expected show, error or "
                               "ignore)");
      }
    } else if (name == "--jobs") {
      seen.jobs = true;
      const auto jobs = job_count(*value);
      if (!jobs) {
        return std::unexpected("invalid value " + quoted(*value) +
                               " for '--jobs' (expected a number from 1 to " +
                               std::to_string(MAX_JOBS) + ")");
      }
      options.jobs = *jobs;
    } else if (name == "--stdin-filename") {
      seen.stdin_filename = true;
      if (value->empty()) {
        return std::unexpected("option '--stdin-filename' needs a value");
      }
      options.stdin_filename = std::string(*value);
    } else {
      seen.format = true;
      if (*value == "text") {
        options.format = Format::text;
      } else if (*value == "short") {
        options.format = Format::short_lines;
      } else if (*value == "json") {
        options.format = Format::json;
      } else if (*value == "github") {
        options.format = Format::github;
      } else if (*value == "sarif") {
        options.format = Format::sarif;
      } else {
        return std::unexpected("invalid value " + quoted(*value) +
                               " for '--format' (expected text, short, json, "
                               "github or sarif)");
      }
    }
  }

  if (!command) return std::unexpected("no command given");
  options.command = *command;
  return validate(std::move(options), seen);
}

std::string usage_text() {
  return R"(Usage: jrl <command> [options] FILE...

Checks and converts JRL requirements files.

Commands:
  check PATH...     check each file and report every error and warning;
                    print nothing for a good file. A directory means every
                    *.jrl file below it
  json FILE         print the parsed file as JSON
  debug FILE        print the parsed file as debug text
  explain CODE...   describe a diagnostic code such as JRL010
  fmt PATH...       rewrite files in the canonical layout (see
                    'jrl fmt --help')

A FILE or PATH of - reads standard input.

Options:
  --pretty          json: indent the JSON output
  -v, --verbose     check: also name each good file on standard output
  --format=FORMAT   check: how diagnostics are reported:
                      text    reports with fixes on standard error (default)
                      short   FILE:LINE:COL: error[CODE]: MESSAGE lines
                      json    one JSON object per diagnostic and line
                      github  GitHub Actions workflow annotations
                      sarif   one SARIF 2.1.0 log
                    (all but text on standard output)
  --warnings=WHEN   check: show warnings (default), count them as errors
                    (error), or leave them out (ignore)
  --stdin-filename NAME
                    check: the name standard input is reported by
  --jobs=N          check: check N files at a time (default: one per core);
                    the output is the same for any N
  --color=WHEN      colour failure reports: auto (default: on a terminal,
                    unless NO_COLOR is set), always or never
  -h, --help        print this help and exit
  -V, --version     print the version and exit

Exit status: 0 when every file is good, 1 when any file has an error (or,
with --warnings=error, a warning), 2 on a usage error or a file that cannot
be read.
)";
}

}  // namespace jrl::cli
