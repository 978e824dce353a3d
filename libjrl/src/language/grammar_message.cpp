// Grammar-failure messages.
#include "language/grammar_message.hpp"

#include <cstddef>
#include <vector>

#include "language/rule.hpp"

namespace jrl {
namespace {

// "A", "A or B", "A, B, or C": display names joined as a reader lists them.
std::string list(const std::vector<Rule>& rules) {
  std::string out;
  const std::size_t count = rules.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) {
      if (count == 2) {
        out += " or ";
      } else if (i + 1 == count) {
        out += ", or ";
      } else {
        out += ", ";
      }
    }
    out += rule_display_name(rules[i]);
  }
  return out;
}

}  // namespace

std::string grammar_message(const SyntaxError& error) {
  const bool expected = !error.positives.empty();
  const bool unexpected = !error.negatives.empty();
  if (expected && unexpected) {
    return "unexpected " + list(error.negatives) + "; expected " +
           list(error.positives);
  }
  if (unexpected) return "unexpected " + list(error.negatives);
  if (expected) return "expected " + list(error.positives);
  return "unknown parsing error";
}

}  // namespace jrl
