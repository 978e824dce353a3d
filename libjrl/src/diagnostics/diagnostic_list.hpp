// The diagnostics of one text, made from its errors and its warnings.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/tokens.hpp"
#include "diagnostics/warnings.hpp"
#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"
#include "jrl/position.hpp"

namespace jrl::diagnostics {

// `error`, found in a statement read from byte `origin` of `body`, as if
// found in `body` itself: the report of its innermost link moved to its
// place there, so its line text and columns are those of the text.
Error relocate(const Error& error, std::string_view body, std::size_t origin,
               const LineIndex& lines);

class DiagnosticList {
 public:
  // `body` is the text checked, after any byte-order mark; `lines` indexes
  // it.
  DiagnosticList(std::string_view body, const LineIndex& lines,
                 const CheckOptions& options)
      : body_(body), lines_(lines), options_(options) {}

  // The diagnostic of `error`, the fault of the statement at `segment`,
  // with its fixes. An error without a report lies at `place` (by default
  // the statement's tokens). Returns the repair it leads with when that
  // ends a requirement before another that fails on its own (offsets into
  // `body`): the reading goes on after it.
  std::optional<TextEdit> add_error(const Error& error, const Segment& segment,
                 std::optional<ByteSpan> place = std::nullopt);
  // The diagnostics of warnings found in `body`.
  void add_warnings(const std::vector<Warning>& warnings);

  std::size_t size() const { return diagnostics_.size(); }

  // The diagnostics, their offsets moved on by `base`, the length of the
  // byte-order mark before `body`.
  std::vector<Diagnostic> take(std::size_t base) &&;

 private:
  // Makes `message`, at [start, end) of `body` (at `start` alone without
  // an end), what `d` leads with.
  void lead_with(Diagnostic& d, std::string message, std::size_t start,
                 std::optional<std::size_t> end) const;

  std::string_view body_;
  const LineIndex& lines_;
  const CheckOptions& options_;
  std::vector<Diagnostic> diagnostics_;
  std::size_t fix_searches_ = 0;
};

// Bytes that are not text, or too many of them: nothing more to read.
bool unreadable(const Error& error);

// Byte offset of the report of `error`'s innermost link, if it has one.
std::optional<std::size_t> position_of(const Error& error);

}  // namespace jrl::diagnostics
