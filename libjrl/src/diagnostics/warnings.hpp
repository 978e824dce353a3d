// Warnings: statements that parse but cannot mean what they say, read from
// their models and from where the source map says their selectors stand.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/model.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/position.hpp"

namespace jrl::diagnostics {

struct Warning {
  std::string_view code;
  std::size_t start = 0;  // byte span in the text
  std::size_t end = 0;
  std::string message;
  // A further place, such as the first of two equal selectors.
  std::optional<std::string> note;
  std::size_t note_offset = 0;
  // Fixes; their edits' lines and columns are filled in when the warning
  // becomes a diagnostic.
  std::vector<Suggestion> fixes = {};
};

// How a selector and a query are written, for placing a warning on a part
// of them.
// A function whose first two arguments are courses selects a range of them.
bool is_range(const SelectorFunction& f);
// A function of one course selects just that course.
bool names_one_course(const SelectorFunction& f);
// A course as written: its department and its four digits, "L" for a lab.
std::string course_text(const Class& course);
// The least count a quantity asks for.
std::size_t least(const Quantity& quantity);
// Where the quantity of the query written from `start` of `text` stands.
ByteSpan quantity_span(std::string_view text, std::size_t start,
                       const JRLQuery& query);
// Where the argument `index` of the call written at `call` stands.
ByteSpan argument_span(std::string_view text, ByteSpan call,
                       std::size_t index);

// What finding the warnings cost beyond reading the models: the calls
// keyed to compare them, and the bytes of the keys they were compared by.
struct WarningWork {
  std::size_t calls_keyed = 0;
  std::size_t key_bytes = 0;
};

// The warnings of the requirements of one text, read one requirement at a
// time in file order; at most `limit` of them, the first found.
class WarningFinder {
 public:
  // With `work`, adds what finding them cost there.
  explicit WarningFinder(std::size_t limit, WarningWork* work = nullptr)
      : limit_(limit), work_(work) {}

  // The warnings of `requirement`, written at `span` of `text`, its
  // selectors at `selectors` (in the pre-order of a source map).
  void read(const JRLRequirement& requirement, std::string_view text,
            ByteSpan span, std::span<const ByteSpan> selectors);

  // What was found, by place; at one place in the order found.
  std::vector<Warning> take() &&;

 private:
  friend class RequirementWalk;
  std::size_t limit_;
  WarningWork* work_;
  std::vector<Warning> found_;
};

}  // namespace jrl::diagnostics
