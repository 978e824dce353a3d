// jrl: checks and converts JRL requirements files from the command line.
// All language work is the library's; this program reads files, picks the
// rendering and sets the exit status.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "commands.hpp"
#include "jrl/jrl.hpp"
#include "options.hpp"
#include "output.hpp"
#include "usage.hpp"

using namespace jrl::cli;

int main(int argc, char** argv) {
  int status = EXIT_USAGE;
  try {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0),
                                             argv + argc);
    const auto options = parse_options(args);
    if (!options) {
      write_out(stderr, usage_error_text(options.error()));
      return EXIT_USAGE;
    }
    if (options->help) {
      write_out(stdout, usage_text(options->command));
      status = EXIT_OK;
    } else if (options->version) {
      write_out(stdout, "jrl " + std::string(jrl::VERSION) + "\n");
      status = EXIT_OK;
    } else {
      status = options->command->run(*options);
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
