#include <unistd.h>

#include "colour.hpp"
#include "commands.hpp"
#include "failure_report.hpp"
#include "input_file.hpp"
#include "jrl/jrl.hpp"
#include "output.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {

int run_print(const Options& options) {
  const bool colour = colour_enabled(options.colour, STDERR_FILENO);
  const std::string& path = options.files.front();
  const std::string name = display_name(path);

  auto content = read_input(path);
  if (!content) {
    write_out(stderr, error_label(colour) + ": " +
                          escape_controls(content.error()) + "\n");
    return EXIT_USAGE;
  }
  // A byte-order mark is not part of the text.
  auto parsed = parse(without_bom(*content));
  if (!parsed) {
    write_out(stderr, failure_report(name, parsed.error(), colour));
    return EXIT_FAILED;
  }

  if (options.command == Command::debug) {
    write_out(stdout, parsed->to_debug_string() + "\n");
    return EXIT_OK;
  }
  auto json = options.pretty ? parsed->to_string_pretty() : parsed->to_string();
  if (!json) {
    write_out(stderr, failure_report(name, json.error(), colour));
    return EXIT_FAILED;
  }
  write_out(stdout, *json + "\n");
  return EXIT_OK;
}

}  // namespace jrl::cli
