// The table of diagnostic codes and the classification of parse errors.
#include "diagnostics/codes.hpp"

#include <algorithm>
#include <array>

#include "jrl/diagnostics.hpp"

namespace jrl {
namespace {

using enum Severity;

// Codes are stable: a new kind of fault gets a new code, none is reused.
constexpr std::array<DiagnosticCode, 22> CODES = {{
    {"JRL001", error, "invalid-utf8", "the file is not valid UTF-8"},
    {"JRL002", error, "input-too-large", "the file is 4 GiB or larger"},
    {"JRL003", error, "nesting-too-deep",
     "queries are nested deeper than the parser accepts"},
    {"JRL010", error, "syntax-error",
     "the text does not have the form of a requirements file"},
    {"JRL020", error, "zero-quantity", "a query selects zero courses"},
    {"JRL021", error, "range-from-zero",
     "a top-level query's range starts at zero"},
    {"JRL022", error, "reversed-quantity-range",
     "a quantity range ends below its start"},
    {"JRL023", error, "quantity-too-large",
     "a quantity does not fit in 16 bits"},
    {"JRL024", error, "priority-too-large",
     "a priority does not fit in 16 bits"},
    {"JRL025", error, "nested-limit", "LIMIT stands inside another query"},
    {"JRL030", error, "wrong-arguments",
     "a selector function is given the wrong arguments"},
    {"JRL031", error, "unknown-function", "no selector function has this name"},
    {"JRL032", error, "malformed-department",
     "a department code is not four upper-case symbols"},
    {"JRL033", error, "unknown-department",
     "the department is not in the Wexmoor catalogue"},
    {"JRL034", error, "course-number-too-large",
     "a course number does not fit in 16 bits"},
    {"JRL099", error, "internal-error", "a fault of jrl itself"},
    {"JRL100", error, "unreadable-file", "the file cannot be read"},
    {"JRL201", warning, "unmet-count",
     "a query asks for more courses than its list of courses holds"},
    {"JRL202", warning, "reversed-course-range",
     "a course range ends below its start"},
    {"JRL203", warning, "range-across-departments",
     "a course range starts and ends in different departments"},
    {"JRL204", warning, "duplicate-selector",
     "the same selector stands twice in one list"},
    {"JRL205", warning, "empty-text",
     "a tag, distribution, placement or major code is empty"},
}};

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string_view severity_name(Severity severity) {
  return severity == Severity::error ? "error" : "warning";
}

std::span<const DiagnosticCode> diagnostic_codes() { return CODES; }

const DiagnosticCode* find_diagnostic_code(std::string_view code) {
  const auto* found =
      std::find_if(CODES.begin(), CODES.end(),
                   [&](const DiagnosticCode& c) { return c.code == code; });
  return found == CODES.end() ? nullptr : found;
}

namespace diagnostics {

std::string_view code_of(const Error& error) {
  if (error.is_internal()) return "JRL099";
  bool in_quantity = false;
  bool in_class_id = false;
  for (const ErrorFrame& frame : error.frames()) {
    if (&frame == &error.innermost()) break;
    const ErrorFrame* e = &frame;
    in_quantity = in_quantity || e->text() == "failed parsing quantity";
    in_class_id = in_class_id || e->text() == "could not parse class_id into u16";
  }
  const ErrorFrame& inner = error.innermost();
  const std::string_view text = inner.text();
  if (text.find("UTF-8") != std::string_view::npos) return "JRL001";
  if (starts_with(text, "input larger than")) return "JRL002";
  if (starts_with(text, "queries nested deeper than")) return "JRL003";
  if (inner.report() != nullptr &&
      (starts_with(text, "expected ") || starts_with(text, "unexpected ") ||
       text == "unknown parsing error")) {
    return "JRL010";
  }
  if (text == "cannot select zero") return "JRL020";
  if (starts_with(text, "cannot select a range starting from zero")) {
    return "JRL021";
  }
  if (starts_with(text, "for any SELECT n-k statements")) return "JRL022";
  if (inner.kind() == ErrorKind::conversion) {
    if (in_class_id) return "JRL034";
    return in_quantity ? "JRL023" : "JRL024";
  }
  if (text == "LIMIT must be a top-level query") return "JRL025";
  if (text.find(" function must take ") != std::string_view::npos) {
    return "JRL030";
  }
  if (starts_with(text, "not a valid query")) return "JRL031";
  if (starts_with(text, "departments must be 4 uppercase")) return "JRL032";
  if (starts_with(text, "this department does not exist")) return "JRL033";
  // The shape messages that input accepted by the grammar never reaches.
  return "JRL099";
}

}  // namespace diagnostics
}  // namespace jrl
