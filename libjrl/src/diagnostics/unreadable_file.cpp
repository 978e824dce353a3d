// A file that cannot be read, as a diagnostic like any other.
#include <algorithm>
#include <string>
#include <utility>

#include "jrl/diagnostics.hpp"

namespace jrl {

Diagnostic unreadable_file(std::string message) {
  const auto codes = diagnostic_codes();
  const auto entry =
      std::ranges::find(codes, std::string_view("unreadable-file"),
                        &DiagnosticCode::name);
  Diagnostic d;
  d.severity = Severity::error;
  if (entry != codes.end()) d.code = std::string(entry->code);
  d.message = std::move(message);
  return d;
}

}  // namespace jrl
