#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/jrl.hpp"
#include "output.hpp"
#include "reporter.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {
namespace {

std::string requirement_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " requirement" : " requirements");
}

std::unique_ptr<Reporter> reporter_for(const Options& options) {
  switch (options.format) {
    case Format::short_lines:
      return short_reporter();
    case Format::json:
      return json_reporter();
    case Format::github:
      return github_reporter();
    case Format::sarif:
      return sarif_reporter();
    case Format::text:
      break;
  }
  return text_reporter({colour_enabled(options.colour, STDERR_FILENO),
                        isatty(STDERR_FILENO) == 1});
}

// A path to check: a file, or a directory's *.jrl files below it, sorted.
// A directory that cannot be listed comes back as its own failure.
struct Expanded {
  std::vector<std::string> files;
  std::string failure;
};

Expanded expand(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path == "-" || !fs::is_directory(path, ec)) return {{path}, {}};
  Expanded out;
  fs::recursive_directory_iterator it(path, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    std::error_code type_ec;
    if (p.extension() == ".jrl" && it->is_regular_file(type_ec)) {
      out.files.push_back(p.generic_string());
    }
  }
  if (ec) {
    out.failure = "cannot read " + path + ": " + ec.message();
    out.files.clear();
  }
  std::sort(out.files.begin(), out.files.end());
  return out;
}

class Checker {
 public:
  explicit Checker(const Options& options)
      : options_(options), reporter_(reporter_for(options)) {}

  // Checks one file and reports it; returns its exit status.
  int check(const std::string& path) {
    const std::string name = path == "-" && !options_.stdin_filename.empty()
                                 ? options_.stdin_filename
                                 : display_name(path);
    auto content = read_input(path);
    if (!content) {
      reporter_->unreadable(name, content.error());
      return EXIT_USAGE;
    }
    CheckOptions check_options;
    check_options.warnings = options_.warnings != WarningMode::ignore;
    std::vector<Diagnostic> diagnostics = jrl::check(*content, check_options);
    int status = EXIT_OK;
    for (const Diagnostic& d : diagnostics) {
      if (d.severity == Severity::error ||
          options_.warnings == WarningMode::error) {
        status = EXIT_FAILED;
      }
    }
    reporter_->file(name, *content, diagnostics);
    if (options_.verbose && status == EXIT_OK) {
      const auto parsed = parse(without_bom(*content));
      const auto count =
          parsed ? parsed->parsed_jrl_file.requirements.size() : 0;
      write_out(stdout, escape_controls(name) + ": ok (" + requirement_count(count) + ")\n");
    }
    return status;
  }

  int unlistable(std::string_view path, std::string_view failure) {
    reporter_->unreadable(path, failure);
    return EXIT_USAGE;
  }

  void finish() { reporter_->finish(); }

 private:
  const Options& options_;
  std::unique_ptr<Reporter> reporter_;
};

}  // namespace

int run_check(const Options& options) {
  Checker checker(options);
  int status = EXIT_OK;
  for (const std::string& path : options.files) {
    Expanded expanded = expand(path);
    if (!expanded.failure.empty()) {
      status = std::max(status, checker.unlistable(path, expanded.failure));
      continue;
    }
    for (const std::string& file : expanded.files) {
      status = std::max(status, checker.check(file));
    }
  }
  checker.finish();
  return status;
}

}  // namespace jrl::cli
