// jrl: checks and converts JRL requirements files from the command line.
// All language work is the library's; this program reads files, picks the
// rendering and sets the exit status.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands.hpp"
#include "jrl/jrl.hpp"
#include "options.hpp"
#include "output.hpp"

namespace {

using namespace jrl::cli;

int run(const Options& options) {
  switch (options.command) {
    case Command::help:
      write_out(stdout, usage_text());
      return EXIT_OK;
    case Command::version:
      write_out(stdout, "jrl " + std::string(jrl::VERSION) + "\n");
      return EXIT_OK;
    case Command::check:
      return run_check(options);
    case Command::explain:
      return run_explain(options);
    case Command::json:
    case Command::debug:
      return run_print(options);
  }
  return EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
  int status = EXIT_USAGE;
  try {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0),
                                             argv + argc);
    if (!args.empty() && args.front() == "fmt") {
      status = run_fmt(std::span(args).subspan(1));
    } else {
    const auto options = parse_options(args);
    if (!options) {
      write_out(stderr, "jrl: " + options.error() +
                            "\nTry 'jrl --help' for more information.\n");
      return EXIT_USAGE;
    }
    status = run(*options);
    }
  } catch (const std::bad_alloc&) {
    // Whatever was being built is gone; say so plainly instead of aborting.
    // The text is written from static storage, which needs no memory.
    std::fflush(stdout);
    write_out(stderr, "jrl: out of memory\n");
    return EXIT_USAGE;
  }
  // Output that could not be written (a full disk, a closed pipe) must not
  // pass for success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const int error_number = errno;
    write_out(stderr, std::string("jrl: cannot write standard output: ") +
                          std::strerror(error_number) + "\n");
    status = EXIT_USAGE;
  }
  return status;
}
