// `jrl departments`: the department codes of the registry, one a line, or
// with --json as one array, for scripts and editors to read.
#include <string>

#include "commands.hpp"
#include "jrl/departments.hpp"
#include "jrl/text.hpp"
#include "output.hpp"

namespace jrl::cli {

int run_departments(const Options& options) {
  std::string out;
  if (options.json_list) {
    out += '[';
    for (const std::string_view code : departments()) {
      if (out.size() > 1) out += ',';
      out += json_string(code);
    }
    out += "]\n";
  } else {
    for (const std::string_view code : departments()) {
      out += code;
      out += '\n';
    }
  }
  write_out(stdout, out);
  return EXIT_OK;
}

}  // namespace jrl::cli
