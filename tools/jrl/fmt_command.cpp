// `jrl fmt`: rewrites requirements files in the canonical layout. It reads
// its own options so that it stands apart from the other commands.
//
// A file is rewritten as atomic_write.hpp says: whole or not at all, and
// never over text it gained after it was read. A file that does not parse is
// reported as `jrl check` reports it and left as it is.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "colour.hpp"
#include "commands.hpp"
#include "reporter.hpp"
#include "atomic_write.hpp"
#include "input_file.hpp"
#include "input_paths.hpp"
#include "jrl/format.hpp"
#include "output.hpp"
#include "terminal_text.hpp"
#include "unified_diff.hpp"

namespace jrl::cli {
namespace {

struct FmtOptions {
  bool check = false;  // change nothing; exit 1 when a file would change
  bool diff = false;   // change nothing; print what would change
  bool help = false;
  bool allow_hard_links = false;  // rewrite a hard-linked file in place
  FormatOptions format;
  ColourMode colour = ColourMode::automatic;
  std::vector<std::string> paths;
};

std::expected<FmtOptions, std::string> parse_fmt_options(
    std::span<const std::string_view> args) {
  FmtOptions options;
  bool only_paths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (only_paths || arg == "-" || arg.empty() || arg.front() != '-') {
      options.paths.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      only_paths = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
      return options;
    } else if (arg == "--check") {
      options.check = true;
    } else if (arg == "--diff") {
      options.diff = true;
    } else if (arg == "--allow-hardlinks") {
      options.allow_hard_links = true;
    } else {
      const auto eq = arg.find('=');
      const std::string_view name = arg.substr(0, eq);
      if (name != "--width" && name != "--color") {
        return std::unexpected("unknown option " + quoted(arg));
      }
      std::string_view value;
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return std::unexpected("option " + quoted(name) + " needs a value");
      }
      if (name == "--width") {
        std::size_t width = 0;
        const auto [end, ec] =
            std::from_chars(value.data(), value.data() + value.size(), width);
        if (ec != std::errc() || end != value.data() + value.size() ||
            width == 0) {
          return std::unexpected("invalid value " + quoted(value) +
                                 " for '--width' (expected a positive "
                                 "number)");
        }
        options.format.width = width;
      } else if (value == "auto") {
        options.colour = ColourMode::automatic;
      } else if (value == "always") {
        options.colour = ColourMode::always;
      } else if (value == "never") {
        options.colour = ColourMode::never;
      } else {
        return std::unexpected("invalid value " + quoted(value) +
                               " for '--color' (expected auto, always or "
                               "never)");
      }
    }
  }
  if (options.paths.empty()) {
    return std::unexpected(
        "'jrl fmt' needs a file or directory (use - for standard input)");
  }
  return options;
}

class Formatter {
 public:
  explicit Formatter(const FmtOptions& options)
      : options_(options),
        colour_(colour_enabled(options.colour, STDERR_FILENO)),
        reporter_(text_reporter({colour_, isatty(STDERR_FILENO) == 1})) {}

  int file(const InputPath& input) {
    const std::string& path = input.path;
    const std::string name = display_name(path);
    const Links links = input.walked ? Links::refuse : Links::follow;
    // Only a file to rewrite must be a regular file, held open until then.
    std::optional<FileToRewrite> original;
    std::expected<std::string, std::string> content;
    if (path == "-" || options_.check || options_.diff) {
      content = read_input(path, links);
    } else if (auto read = FileToRewrite::read(
                   path, {links, options_.allow_hard_links})) {
      original.emplace(std::move(*read));
      content = original->content();
    } else {
      content = std::unexpected(std::move(read.error()));
    }
    if (!content) return usage_failure(content.error());
    // A byte-order mark is not part of the text, as every other command
    // reads it; it stays at the start of the file.
    const std::string_view body = without_bom(*content);
    auto formatted = jrl::format(body, options_.format);
    if (formatted) {
      formatted->insert(0, std::string_view(*content).substr(
                               0, content->size() - body.size()));
    }
    if (!formatted) {
      // Reported exactly as `jrl check` reports the file.
      reporter_->file(name, *content, jrl::check(*content));
      return EXIT_FAILED;
    }
    const bool changed = *formatted != *content;
    if (options_.check || options_.diff) {
      if (!changed) return EXIT_OK;
      if (options_.diff)
        write_out(stdout,
                  unified_diff(escape_line(name), *content, *formatted));
      if (options_.check) write_out(stdout, escape_line(name) + "\n");
      return EXIT_FAILED;
    }
    if (path == "-") {
      write_out(stdout, *formatted);
      return EXIT_OK;
    }
    if (!changed) return EXIT_OK;
    if (auto written = original->replace(*formatted); !written) {
      return usage_failure(written.error());
    }
    return EXIT_OK;
  }

  // The closing count of failing files, as `jrl check` ends.
  void finish() { reporter_->finish(); }

  int usage_failure(const std::string& message) {
    write_out(stderr,
              error_label(colour_) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  }

 private:
  const FmtOptions& options_;
  bool colour_;
  std::unique_ptr<Reporter> reporter_;
};

}  // namespace

std::string fmt_usage_text() {
  return R"(Usage: jrl fmt [--check] [--diff] [--width N] PATH...

Rewrites JRL requirements files in place in the canonical layout. A
directory stands for every *.jrl file below it; - reads standard input and
writes the result to standard output. A file that does not parse is
reported and left as it is.

Options:
  --check           change nothing; name each file that would change and
                    exit with 1 if there is one
  --diff            change nothing; print a unified diff of each file that
                    would change and exit with 1 if there is one
  --width N         the line width to aim for (default 100)
  --allow-hardlinks
                    rewrite a file that has other hard links in place, so
                    that every name sees the new text (not atomic: a crash
                    while it is written can leave it half written); without
                    it such a file is refused
  --color=WHEN      colour failure reports: auto (default), always or never
  -h, --help        print this help and exit

Exit status: 0 when every file is formatted (or, with --check or --diff,
already was), 1 when a file would change or failed to parse, 2 on a usage
error or a file that cannot be read or written.
)";
}

int run_fmt(std::span<const std::string_view> args) {
  const auto options = parse_fmt_options(args);
  if (!options) {
    write_out(stderr, "jrl: " + options.error() +
                          "\nTry 'jrl fmt --help' for more information.\n");
    return EXIT_USAGE;
  }
  if (options->help) {
    write_out(stdout, fmt_usage_text());
    return EXIT_OK;
  }
  Formatter formatter(*options);
  int status = EXIT_OK;
  for (const InputPath& input : expand_paths(options->paths)) {
    status = std::max(status, input.failure.empty()
                                  ? formatter.file(input)
                                  : formatter.usage_failure(input.failure));
  }
  formatter.finish();
  return status;
}

}  // namespace jrl::cli
