// `jrl diff OLD NEW`: what changed in meaning between two versions of a
// programme. A version that does not parse is reported as `jrl check`
// reports it, and nothing is compared. With --records, what the change
// does to each student instead (reach_command.hpp).
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/analysis.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/programme_diff.hpp"
#include "output.hpp"
#include "reach_command.hpp"
#include "reporter.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {

// One version as read: its text, its analysis (which holds the model the
// comparison views) and the line each statement starts on.
struct Version {
  std::string name;
  std::string text;
  Analysis analysis;
  std::vector<std::size_t> lines;

  ProgrammeVersion view() const {
    return {name, analysis.parsed.parsed_jrl_file.requirements, lines};
  }
};

// The version in `path`, or, when it cannot be read or does not parse,
// nothing, its failure reported on standard error.
std::optional<Version> read_version(const std::string& path, bool colour) {
  Version version{display_name(path), {}, {}, {}};
  auto content = read_input(path);
  if (!content) {
    write_out(stderr, error_label(colour) + ": " + escape_controls(content.error()) + "\n");
    return std::nullopt;
  }
  version.text = std::move(*content);
  CheckOptions check;
  check.warnings = false;
  version.analysis = analyse(version.text, check);
  std::vector<Diagnostic> errors;
  std::ranges::copy_if(version.analysis.diagnostics, std::back_inserter(errors),
                       [](const Diagnostic& d) { return d.severity == Severity::error; });
  if (!errors.empty()) {
    auto reporter = text_reporter({colour, isatty(STDERR_FILENO) == 1});
    reporter->file(version.name, errors);
    reporter->finish();
    return std::nullopt;
  }
  for (const AnalysedStatement& s : version.analysis.statements) {
    version.lines.push_back(s.place.start.line);
  }
  return version;
}

}  // namespace

int run_diff(const Options& options) {
  const auto usage = [](std::string message) {
    write_out(stderr, usage_error_text({std::move(message), Page::main}));
    return EXIT_USAGE;
  };
  if (options.files.size() != 2) {
    return usage("'jrl diff' takes two files, the old version and the new");
  }
  if (options.files[0] == "-" && options.files[1] == "-") {
    return usage("'jrl diff' reads standard input for one of its files only");
  }
  const bool students = !options.records.empty();
  if (students && options.catalogue.empty()) {
    return usage("'jrl diff --records' needs --catalogue CAT to audit the students");
  }
  if (students && options.records == "-" &&
      (options.files[0] == "-" || options.files[1] == "-")) {
    return usage("'jrl diff' can read only one of a version and the records from standard input");
  }
  const bool colour = colour_enabled(options.colour, STDERR_FILENO);
  std::optional<Catalogue> catalogue;
  if (!options.catalogue.empty()) {
    auto loaded = Catalogue::load(options.catalogue);
    if (!loaded) {
      write_out(stderr, error_label(colour) + ": " +
                            escape_controls(loaded.error().message()) + "\n");
      return EXIT_USAGE;
    }
    catalogue = std::move(*loaded);
  }
  // Both versions are read, so that a mistake in each is told at once.
  const std::optional<Version> old_version = read_version(options.files[0], colour);
  const std::optional<Version> new_version = read_version(options.files[1], colour);
  if (!old_version || !new_version) return EXIT_USAGE;

  const ProgrammeDiff diff = diff_programmes(old_version->view(), new_version->view(),
                                             catalogue ? &*catalogue : nullptr);
  if (students) {
    return run_reach(options, *catalogue, {old_version->name, old_version->text},
                     {new_version->name, new_version->text}, diff);
  }
  write_out(stdout, options.diff_json
                        ? diff_json(diff)
                        : diff_text(diff, {colour_enabled(options.colour, STDOUT_FILENO)}));
  return diff.empty() ? EXIT_OK : EXIT_FAILED;
}

}  // namespace jrl::cli
