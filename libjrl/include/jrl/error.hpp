// Error values of the library. Failures are values: every operation returns
// its result or an `Error`, and nothing is thrown across the API.
//
// An error is one link of a chain: a context message owns the error it wraps
// (its cause), outermost first. `render()` gives the text a user reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace jrl {

// A place in the input as a user counts it: lines and columns from 1,
// columns in characters (code points), not bytes.
struct LineCol {
  std::size_t line = 1;
  std::size_t column = 1;
  friend bool operator==(const LineCol&, const LineCol&) = default;
};

class Error;

// A message bound to a position or a span of the input, with the source
// lines its report shows. Built only through the factories below, which
// compute the line and column data from the input; an `Error` carries one
// only when `Error::at_position` or `Error::over_span` made it.
struct ReportError {
  std::string message;
  // Byte offset of the position or of the span start.
  std::size_t start = 0;
  // Byte offset one past the span end; none for a position.
  std::optional<std::size_t> end;
  LineCol start_line_col;
  // For a span: where its mark ends, one column past its last character.
  std::optional<LineCol> end_line_col;
  // The line of the start, prepared for display.
  std::string line;
  // For a span ending on a later line: that last line.
  std::optional<std::string> continued_line;

  // A report at one byte offset. Fails with the internal fault "position out
  // of bounds" when `position` lies past the end of `input`: offsets come
  // from the library, never from the user.
  static std::expected<ReportError, Error> at_position(std::string_view input,
                                                       std::size_t position,
                                                       std::string message);
  // A report over the bytes [start, end) of `input`; fails like
  // `at_position` for an offset past the end, and for `end` < `start`.
  // `end_line_col` of a span that ends just after a line break is one column
  // past the last character of the line before.
  static std::expected<ReportError, Error> over_span(std::string_view input,
                                                     std::size_t start,
                                                     std::size_t end,
                                                     std::string message);

  // The report text: header, gutter, source line, underline, message. With a
  // non-empty `path` the header reads ` --> PATH:LINE:COL`.
  std::string render(std::string_view path = {}) const;

  friend bool operator==(const ReportError&, const ReportError&) = default;
};

enum class ErrorKind : std::uint8_t {
  report,      // a message bound to a place in the input
  message,     // a plain message without position
  conversion,  // a number that could not be read
  context,     // a message wrapped around its cause
  internal,    // a fault of the library itself, never caused by the input
};

class Error {
 public:
  // A report error at one byte offset of `input`, or over the bytes
  // [start, end). Offsets come from the library, never from the user: one
  // out of range gives the internal fault instead.
  static Error at_position(std::string_view input, std::size_t position,
                           std::string message);
  static Error over_span(std::string_view input, std::size_t start,
                         std::size_t end, std::string message);
  static Error message(std::string text);
  static Error conversion(std::string text);
  // Wraps `cause` in a context message. Internal faults pass through
  // unwrapped, so the outermost error of a chain says whether the library
  // itself failed.
  static Error wrap(std::string context, Error cause);
  static Error internal(std::string text);

  Error(const Error& other);
  Error& operator=(const Error& other);
  Error(Error&&) noexcept = default;
  Error& operator=(Error&&) noexcept = default;
  ~Error();

  ErrorKind kind() const noexcept { return kind_; }
  bool is_internal() const noexcept { return kind_ == ErrorKind::internal; }
  // The error's own message; for a report error, its message alone.
  const std::string& text() const noexcept { return text_; }
  // The report, when kind() is report; null otherwise.
  const ReportError* report() const noexcept { return report_.get(); }
  // The wrapped error, when kind() is context; null otherwise.
  const Error* cause() const noexcept { return cause_.get(); }
  // The last error of the chain: the one no other error wraps, where the
  // fault itself is told.
  const Error& innermost() const noexcept;

  // This error as found in a larger text of which it saw only a piece: the
  // same chain with every report moved `offset` bytes and `lines` lines on.
  // The piece must begin at the start of a line of the larger text, so that
  // the reports' columns and line texts hold there too.
  Error moved_by(std::size_t offset, std::size_t lines) const;

  // This error alone as it appears in a chain: a report error's whole
  // report text, any other error's message.
  std::string own_text(std::string_view path = {}) const;
  // The whole chain: the outermost error, then "Caused by:" and the causes.
  std::string render(std::string_view path = {}) const;

  friend bool operator==(const Error& a, const Error& b);

 private:
  Error(ErrorKind kind, std::string text)
      : kind_(kind), text_(std::move(text)) {}
  static Error from_report(std::expected<ReportError, Error> report);

  ErrorKind kind_;
  std::string text_;
  std::unique_ptr<ReportError> report_;
  std::unique_ptr<Error> cause_;
};

}  // namespace jrl
