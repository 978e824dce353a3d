// `jrl explain CODE...`: the documentation of diagnostic codes, taken from
// docs/diagnostics.md, where each code has a section headed "## CODE: ...".
#include <string>

#include "colour.hpp"
#include "commands.hpp"
#include "diagnostics_doc.hpp"
#include "jrl/diagnostics.hpp"
#include "output.hpp"

namespace jrl::cli {
namespace {

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// The section of `code`, from its heading to the next heading of its level.
std::string_view section(std::string_view document, std::string_view code) {
  const std::string heading = "\n## " + std::string(code) + ":";
  const std::size_t start = document.find(heading);
  if (start == std::string_view::npos) return {};
  const std::size_t end = document.find("\n## ", start + heading.size());
  return document.substr(start + 1, end == std::string_view::npos
                                        ? std::string_view::npos
                                        : end - start - 1);
}

}  // namespace

int run_explain(const Options& options) {
  int status = EXIT_OK;
  bool first = true;
  for (const std::string& name : options.files) {
    const std::string code = upper(name);
    const std::string_view text =
        find_diagnostic_code(code) ? section(diagnostics_document(), code)
                                   : std::string_view{};
    if (text.empty()) {
      write_out(stderr, "jrl: unknown diagnostic code '" + name +
                            "' (codes are JRL and three digits, such as "
                            "JRL010)\n");
      status = EXIT_USAGE;
      continue;
    }
    if (!first) write_out(stdout, "\n");
    first = false;
    std::string out(text);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    write_out(stdout, out + "\n");
  }
  return status;
}

}  // namespace jrl::cli
