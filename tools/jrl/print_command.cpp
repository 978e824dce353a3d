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

  // The text goes out chunk by chunk as it is rendered, so that no more
  // than one chunk of it is held beside the model.
  const TextSink sink = [](std::string_view chunk) {
    write_out(stdout, chunk);
  };
  if (options.command == Command::debug) {
    stream_debug_string(*parsed, sink);
  } else if (options.pretty) {
    stream_json_pretty(*parsed, sink);
  } else {
    stream_json(*parsed, sink);
  }
  write_out(stdout, "\n");
  return EXIT_OK;
}

}  // namespace jrl::cli
