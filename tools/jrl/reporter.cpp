// What every format of `jrl check` shares: a piece of output for each
// diagnostic, counted by severity.
#include "reporter.hpp"

#include <string>

namespace jrl::cli {

FileReport Reporter::pieces(std::string_view name,
                            std::span<const Diagnostic> diagnostics,
                            bool placed) const {
  FileReport out;
  for (const Diagnostic& d : diagnostics) {
    out.pieces.push_back(piece(name, d, placed));
    (d.severity == Severity::error ? out.errors : out.warnings) += 1;
  }
  return out;
}

FileReport Reporter::render(std::string_view name,
                            std::span<const Diagnostic> diagnostics) const {
  return pieces(name, diagnostics, true);
}

void Reporter::unreadable(std::string_view name, std::string_view message) {
  const Diagnostic d = unreadable_file(std::string(message));
  write(pieces(name, {&d, 1}, false));
}

}  // namespace jrl::cli
