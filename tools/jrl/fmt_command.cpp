// `jrl fmt`: rewrites requirements files in the canonical layout.
//
// A file is rewritten as atomic_write.hpp says: whole or not at all, and
// never over text it gained after it was read. A file that does not parse is
// reported as `jrl check` reports it and left as it is.
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "atomic_write.hpp"
#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "input_paths.hpp"
#include "jrl/format.hpp"
#include "output.hpp"
#include "reporter.hpp"
#include "terminal_text.hpp"
#include "unified_diff.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {


class Formatter {
 public:
  explicit Formatter(const Options& options)
      : options_(options),
        colour_(colour_enabled(options.colour, STDERR_FILENO)),
        reporter_(text_reporter({colour_, isatty(STDERR_FILENO) == 1})) {}

  int file(const InputPath& input) {
    const std::string& path = input.path;
    const std::string name = display_name(path);
    const Links links = input.walked ? Links::refuse : Links::follow;
    // Only a file to rewrite must be a regular file, held open until then.
    std::optional<FileToRewrite> original;
    std::string read;
    if (path == "-" || options_.list_changes || options_.diff) {
      auto text = read_input(path, links);
      if (!text) return usage_failure(text.error());
      read = std::move(*text);
    } else {
      auto file = FileToRewrite::read(path, {links, options_.allow_hard_links});
      if (!file) return usage_failure(file.error());
      original.emplace(std::move(*file));
    }
    const std::string& content = original ? original->content() : read;
    // A byte-order mark is not part of the text, as every other command
    // reads it; it stays at the start of the file.
    const std::string_view body = without_bom(content);
    auto formatted = jrl::format(body, options_.layout);
    if (formatted) {
      formatted->insert(0, std::string_view(content).substr(
                               0, content.size() - body.size()));
    }
    if (!formatted) {
      // Reported exactly as `jrl check` reports the file.
      reporter_->file(name, jrl::check(content));
      ++failed_;
      return EXIT_UNPARSED;
    }
    const bool changed = *formatted != content;
    if (options_.list_changes || options_.diff) {
      if (!changed) return EXIT_OK;
      if (options_.diff)
        write_out(stdout,
                  unified_diff(escape_line(name), content, *formatted));
      if (options_.list_changes) write_out(stdout, escape_line(name) + "\n");
      return EXIT_FAILED;
    }
    if (path == "-") {
      write_out(stdout, *formatted);
      return EXIT_OK;
    }
    if (!changed) {
      ++unchanged_;
      return EXIT_OK;
    }
    if (auto written = original->replace(*formatted); !written) {
      return usage_failure(written.error());
    }
    ++reformatted_;
    return EXIT_OK;
  }

  // The closing count of failing files, as `jrl check` ends; when files
  // were rewritten in place, how many changed.
  void finish() {
    reporter_->finish();
    if (reformatted_ + unchanged_ == 0 || options_.list_changes ||
        options_.diff) {
      return;
    }
    std::string summary = counted(reformatted_, "file") + " reformatted, " +
                          std::to_string(unchanged_) + " left unchanged";
    if (failed_ > 0) {
      summary += ", " + std::to_string(failed_) + " could not be formatted";
    }
    write_out(stderr, summary + "\n");
  }

  int usage_failure(const std::string& message) {
    ++failed_;
    write_out(stderr,
              error_label(colour_) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  }

 private:
  const Options& options_;
  bool colour_;
  std::unique_ptr<Reporter> reporter_;
  // Files rewritten, files already in the layout, files left as they were
  // because they do not parse or could not be read or written.
  std::size_t reformatted_ = 0;
  std::size_t unchanged_ = 0;
  std::size_t failed_ = 0;
};

}  // namespace

int run_fmt(const Options& options) {
  const auto expanded = expand_paths(options.files);
  if (!expanded) {
    write_out(stderr, usage_error_text({escape_controls(expanded.error()),
                                        options.command->page}));
    return EXIT_USAGE;
  }
  Formatter formatter(options);
  int status = EXIT_OK;
  for (const InputPath& input : *expanded) {
    status = std::max(status, input.failure.empty()
                                  ? formatter.file(input)
                                  : formatter.usage_failure(input.failure));
  }
  formatter.finish();
  return status;
}

}  // namespace jrl::cli
