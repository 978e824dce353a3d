// Warnings: statements that parse but cannot mean what they say, read from
// their models and from where the source map says their selectors stand.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/model.hpp"
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
};

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
