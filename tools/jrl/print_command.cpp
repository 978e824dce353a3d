#include <unistd.h>

#include <cstddef>
#include <expected>
#include <string_view>
#include <utility>

#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/jrl.hpp"
#include "output.hpp"
#include "reporter.hpp"

namespace jrl::cli {
namespace {

// From this size on a file is printed without holding its model: it is
// checked, then parsed again a requirement at a time, each written and
// dropped, so memory stays near the size of the input for a second run over
// it. A smaller file is parsed once and its model kept while it is written.
constexpr std::size_t PRINT_WITHOUT_MODEL = std::size_t{16} << 20;

int print(const Options& options, Rendering rendering) {
  const bool colour = colour_enabled(options.colour, STDERR_FILENO);
  const std::string& path = options.files.front();
  const std::string name = display_name(path);

  auto content = read_input(path);
  if (!content) {
    write_out(stderr, error_label(colour) + ": " +
                          escape_controls(content.error()) + "\n");
    return EXIT_USAGE;
  }
  // The text goes out chunk by chunk as it is rendered, so that no more
  // than one chunk of it is held at a time.
  const TextSink sink = [](std::string_view chunk) {
    write_out(stdout, chunk);
  };
  // A byte-order mark is not part of the text.
  const std::string_view text = without_bom(*content);
  std::expected<void, Error> printed;
  if (text.size() >= PRINT_WITHOUT_MODEL) {
    printed = parse_and_stream(text, rendering, sink);
  } else {
    auto parsed = parse(text);
    if (parsed) {
      switch (rendering) {
        case Rendering::debug:
          stream_debug_string(*parsed, sink);
          break;
        case Rendering::json_pretty:
          stream_json_pretty(*parsed, sink);
          break;
        case Rendering::json:
          stream_json(*parsed, sink);
          break;
      }
    } else {
      printed = std::unexpected(std::move(parsed.error()));
    }
  }
  if (!printed) {
    // Reported as `jrl check` reports the first error of the file: its
    // headline, report and fixes, without checking the rest of it.
    const Diagnostic first = diagnose(text, printed.error());
    text_reporter({colour, isatty(STDERR_FILENO) == 1})->file(name, {&first, 1});
    return EXIT_FAILED;
  }
  write_out(stdout, "\n");
  return EXIT_OK;
}

}  // namespace

int run_json(const Options& options) {
  return print(options,
               options.pretty ? Rendering::json_pretty : Rendering::json);
}

int run_debug(const Options& options) {
  return print(options, Rendering::debug);
}

}  // namespace jrl::cli
