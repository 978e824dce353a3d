#include <unistd.h>

#include <algorithm>

#include "colour.hpp"
#include "commands.hpp"
#include "diagnostics_json.hpp"
#include "failure_report.hpp"
#include "input_file.hpp"
#include "jrl/jrl.hpp"
#include "output.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {
namespace {

std::string requirement_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " requirement" : " requirements");
}

class Checker {
 public:
  explicit Checker(const Options& options)
      : options_(options),
        json_(options.format == Format::json),
        colour_(!json_ && colour_enabled(options.colour, STDERR_FILENO)) {}

  // Checks one file and reports it; returns its exit status.
  int check(const std::string& path) {
    const std::string name = display_name(path);
    auto content = read_input(path);
    if (!content) {
      write_out(stderr, error_label(colour_) + ": " +
                            escape_controls(content.error()) + "\n");
      return kExitUsage;
    }
    auto parsed = parse(*content);
    if (!parsed) {
      report(json_ ? diagnostic_json(name, parsed.error())
                   : failure_report(name, parsed.error(), colour_));
      return kExitFailed;
    }
    if (options_.verbose) {
      const auto count = parsed->parsed_jrl_file.requirements.size();
      write_out(stdout, escape_controls(name) + ": ok (" +
                            requirement_count(count) + ")\n");
    }
    return kExitOk;
  }

 private:
  // JSON failures go to standard output, one per line; text reports go to
  // standard error, set apart by a blank line.
  void report(const std::string& text) {
    if (json_) {
      write_out(stdout, text + "\n");
      return;
    }
    if (reported_) write_out(stderr, "\n");
    write_out(stderr, text);
    reported_ = true;
  }

  const Options& options_;
  bool json_;
  bool colour_;
  bool reported_ = false;
};

}  // namespace

int run_check(const Options& options) {
  Checker checker(options);
  int status = kExitOk;
  for (const std::string& path : options.files) {
    status = std::max(status, checker.check(path));
  }
  return status;
}

}  // namespace jrl::cli
