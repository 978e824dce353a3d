// `jrl explain CODE...`: the documentation of diagnostic codes, taken from
// docs/diagnostics.md, where each code has a section headed "## CODE: ...".
// Piped, a section is printed as it is written (Markdown); on a terminal it
// is read as plain text. `jrl explain --list` lists the codes.
#include <unistd.h>

#include <algorithm>
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

// A section for a terminal: the heading without its marks, underlined;
// code blocks indented, without their fences; the rest as written.
std::string plain(std::string_view section) {
  constexpr std::string_view HEADING = "## ";
  constexpr std::string_view FENCE = "```";
  std::string out;
  bool in_code = false;
  std::size_t start = 0;
  while (start < section.size()) {
    std::size_t end = section.find('\n', start);
    if (end == std::string_view::npos) end = section.size();
    const std::string_view line = section.substr(start, end - start);
    start = end + 1;
    if (line.starts_with(FENCE)) {
      in_code = !in_code;
      continue;
    }
    if (in_code) {
      if (!line.empty()) out += "    ";
      out += line;
    } else if (line.starts_with(HEADING)) {
      const std::string_view title = line.substr(HEADING.size());
      out += title;
      out += '\n';
      out.append(title.size(), '=');
    } else {
      out += line;
    }
    out += '\n';
  }
  return out;
}

// Every code: its code, name and title, in columns.
int list_codes() {
  std::size_t name_width = 0;
  for (const DiagnosticCode& c : diagnostic_codes()) {
    name_width = std::max(name_width, c.name.size());
  }
  std::string out;
  for (const DiagnosticCode& c : diagnostic_codes()) {
    std::string name(c.name);
    name.resize(name_width, ' ');
    out += std::string(c.code) + "  " + name + "  " + std::string(c.title) +
           "\n";
  }
  write_out(stdout, out);
  return EXIT_OK;
}

}  // namespace

int run_explain(const Options& options) {
  if (options.list_codes) return list_codes();
  const bool terminal = isatty(STDOUT_FILENO) == 1;
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
    std::string out = terminal ? plain(text) : std::string(text);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    write_out(stdout, out + "\n");
  }
  return status;
}

}  // namespace jrl::cli
