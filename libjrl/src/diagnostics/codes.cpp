// The table of diagnostic codes and the classification of parse errors.
#include "diagnostics/codes.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "jrl/diagnostics.hpp"

namespace jrl {
namespace {

using enum Severity;

// Codes are stable: a new kind of fault gets a new code, none is reused.
constexpr std::array<DiagnosticCode, 29> CODES = {{
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
    {"JRL210", warning, "unknown-tag", "no course of the catalogue carries the tag"},
    {"JRL211", warning, "unknown-distribution",
     "no course of the catalogue carries the distribution"},
    {"JRL212", warning, "unknown-programme-code",
     "the catalogue lists no programme with this code"},
    {"JRL213", warning, "unknown-placement",
     "the catalogue lists no placement of this name"},
    {"JRL214", warning, "unknown-course", "the course is not in the catalogue"},
    {"JRL215", warning, "selects-nothing",
     "a selector selects no course of the catalogue"},
    {"JRL216", warning, "unmeetable-requirement",
     "a query asks for more than the catalogue lets its entries give"},
}};

// The code of each fault a parse error tells, in the order of `Fault`.
struct FaultCode {
  Fault fault;
  std::string_view code;
};
constexpr std::array<FaultCode, 17> FAULT_CODES = {{
    // The shape messages that input accepted by the grammar never reaches.
    {Fault::none, "JRL099"},
    {Fault::invalid_utf8, "JRL001"},
    {Fault::input_too_large, "JRL002"},
    {Fault::nesting_too_deep, "JRL003"},
    {Fault::syntax, "JRL010"},
    {Fault::zero_quantity, "JRL020"},
    {Fault::range_from_zero, "JRL021"},
    {Fault::reversed_quantity_range, "JRL022"},
    {Fault::quantity_too_large, "JRL023"},
    {Fault::priority_too_large, "JRL024"},
    {Fault::course_number_too_large, "JRL034"},
    {Fault::nested_limit, "JRL025"},
    {Fault::wrong_arguments, "JRL030"},
    {Fault::unknown_function, "JRL031"},
    {Fault::malformed_department, "JRL032"},
    {Fault::unknown_department, "JRL033"},
    {Fault::internal, "JRL099"},
}};

constexpr bool fault_codes_complete() {
  for (std::size_t i = 0; i < FAULT_CODES.size(); ++i) {
    if (static_cast<std::size_t>(FAULT_CODES[i].fault) != i) return false;
    if (std::ranges::find(CODES, FAULT_CODES[i].code, &DiagnosticCode::code) ==
        CODES.end()) {
      return false;
    }
  }
  return FAULT_CODES.back().fault == Fault::internal;
}
static_assert(fault_codes_complete(),
              "one row per fault, in the order of Fault, each a known code");

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
  // An internal fault passes through context frames unwrapped: it is always
  // the whole chain.
  if (error.is_internal()) return "JRL099";
  return FAULT_CODES[static_cast<std::size_t>(error.innermost().fault())].code;
}

}  // namespace diagnostics
}  // namespace jrl
