// `jrl describe FILE [--catalogue CAT] [--format=text|markdown|html]`: the
// programme in plain words, for catalogue pages and advisers, with course
// titles from the catalogue when one is given.
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/describe.hpp"
#include "jrl/jrl.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "reporter.hpp"

namespace jrl::cli {

int run_describe(const Options& options) {
  const bool colour = colour_enabled(options.colour, STDERR_FILENO);
  const auto fail = [&](std::string_view message) {
    write_out(stderr, error_label(colour) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  };
  std::optional<Catalogue> catalogue;
  if (!options.catalogue.empty()) {
    auto loaded = Catalogue::load(options.catalogue);
    if (!loaded) return fail(loaded.error().message());
    catalogue = std::move(*loaded);
  }
  const std::string& path = options.files.front();
  auto content = read_input(path);
  if (!content) return fail(content.error());

  const std::string_view text = without_bom(*content);
  const auto parsed = parse(text);
  if (!parsed) {
    // Reported as `jrl check` reports the first error of the file.
    const Diagnostic first = diagnose(text, parsed.error());
    text_reporter({colour, isatty(STDERR_FILENO) == 1})
        ->file(display_name(path), {&first, 1});
    return EXIT_FAILED;
  }
  // The file's opening comment names the programme; else its file name.
  std::string title(programme_title(text));
  if (title.empty() && path != "-") {
    title = std::filesystem::path(path).stem().string();
  }
  DescribeOptions describe_options;
  describe_options.format = options.describe_format;
  describe_options.catalogue = catalogue ? &*catalogue : nullptr;
  describe_options.title = title;
  write_out(stdout, describe(parsed->parsed_jrl_file, describe_options));
  return EXIT_OK;
}

}  // namespace jrl::cli
