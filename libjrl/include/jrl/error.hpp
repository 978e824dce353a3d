// Error values of the library. Failures are values: every operation returns
// its result or an `Error`, and nothing is thrown across the API.
//
// An error is a chain of frames, outermost first: context messages, then the
// frame that tells the fault. `render()` gives the text a user reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/position.hpp"

namespace jrl {

class Error;

// How a report is laid out for its reader. The default style gives the plain
// text `render()` gives; a terminal asks for the rest.
struct ReportStyle {
  // Named in each report header, ` --> PATH:LINE:COL`, when not empty.
  std::string_view path;
  // Control characters of the source lines, messages and path shown by
  // visible stand-ins (see `escape_controls` in jrl/text.hpp).
  bool escape_controls = false;
  // A source line wider than this many columns is cut to a window of that
  // width around the mark, "…" standing for each part left out, with
  // `window_before` columns kept before the mark; 0 shows whole lines.
  std::size_t window = 0;
  std::size_t window_before = 40;
  // The blanks before each mark as wide as the terminal shows the characters
  // above them (wide characters take two cells, combining marks none).
  bool display_width = false;
  // The marks in bold red and the message in bold (ANSI escapes).
  bool colour = false;
};

// A message bound to a position or a span of the input, with the source
// lines its report shows. Only the library builds one (through
// `Error::at_position` and `Error::over_span`, which compute the line and
// column data from the input); everyone else reads it through an `Error`.
class ReportError {
 public:
  const std::string& message() const noexcept { return message_; }
  // Byte offset of the position or of the span start.
  std::size_t start() const noexcept { return start_; }
  // Byte offset one past the span end; none for a position.
  const std::optional<std::size_t>& end() const noexcept { return end_; }
  const LineCol& start_line_col() const noexcept { return start_line_col_; }
  // For a span: where its mark ends, one column past its last character. A
  // span that ends just after a line break ends one column past the last
  // character of the line before.
  const std::optional<LineCol>& end_line_col() const noexcept {
    return end_line_col_;
  }
  // The line of the start, prepared for display.
  const std::string& line() const noexcept { return line_; }
  // For a span ending on a later line: that last line.
  const std::optional<std::string>& continued_line() const noexcept {
    return continued_line_;
  }

  // The report text: header, gutter, source line, underline, message. With a
  // non-empty `path` the header reads ` --> PATH:LINE:COL`.
  std::string render(std::string_view path = {}) const {
    ReportStyle style;
    style.path = path;
    return render(style);
  }
  std::string render(const ReportStyle& style) const;

  friend bool operator==(const ReportError&, const ReportError&) = default;

 private:
  friend class Error;
  ReportError() = default;

  // A report at one byte offset. Fails with the internal fault "position out
  // of bounds" when `position` lies past the end of `input`: offsets come
  // from the library, never from the user.
  static std::expected<ReportError, Error> at_position(std::string_view input,
                                                       std::size_t position,
                                                       std::string message);
  // A report over the bytes [start, end) of `input`; fails like
  // `at_position` for an offset past the end, and for `end` < `start`.
  static std::expected<ReportError, Error> over_span(std::string_view input,
                                                     std::size_t start,
                                                     std::size_t end,
                                                     std::string message);

  std::string message_;
  std::size_t start_ = 0;
  std::optional<std::size_t> end_;
  LineCol start_line_col_;
  std::optional<LineCol> end_line_col_;
  std::string line_;
  std::optional<std::string> continued_line_;
  // Columns of the input line left out before `line_` begins, less the
  // columns of the "..." that stands for them: `line_` may be a piece of a
  // very long line (see Error::with_short_lines).
  std::size_t column_shift_ = 0;
};

enum class ErrorKind : std::uint8_t {
  report,      // a message bound to a place in the input
  message,     // a plain message without position
  conversion,  // a number that could not be read
  context,     // a message wrapped around its cause
  internal,    // a fault of the library itself, never caused by the input
};

// Which fault a frame tells, as a program tells faults apart: set where the
// fault is raised, so that nothing need read it back from the message.
enum class Fault : std::uint8_t {
  // A context frame, or a message that no input the grammar accepts
  // reaches (a tree of an unexpected shape).
  none,
  invalid_utf8,
  input_too_large,
  nesting_too_deep,
  syntax,  // the grammar does not accept the text
  zero_quantity,
  range_from_zero,          // a top-level range starts at zero
  reversed_quantity_range,  // n-k with k < n
  quantity_too_large,
  priority_too_large,
  course_number_too_large,
  nested_limit,     // LIMIT inside another query
  wrong_arguments,  // a selector function given the wrong arguments
  unknown_function,
  malformed_department,  // not four upper-case symbols
  unknown_department,
  internal,  // a fault of the library itself
};

// A fault and what it carries beside its message.
struct FaultDetail {
  FaultDetail() = default;
  // `{Fault::x}`, `{Fault::x, "MATH"}`, `{Fault::x, {}, 65535}`.
  FaultDetail(Fault fault, std::string replacement = {},
              std::optional<std::uint64_t> bound = std::nullopt)
      : fault(fault), replacement(std::move(replacement)), bound(bound) {}

  Fault fault = Fault::none;
  // The text the message suggests in place of the reported span ("Did you
  // mean"), exactly as the message gives it; empty when it suggests none.
  std::string replacement;
  // The bound the input broke: the largest value allowed for a number, a
  // nesting depth or an input size that is too large, the least allowed
  // for a quantity (or a range's end) that is too small.
  std::optional<std::uint64_t> bound;
  friend bool operator==(const FaultDetail&, const FaultDetail&) = default;
};

// One frame of an error chain: its kind, its own message, the fault it
// tells and, for a report frame, the report. Frames exist only inside an
// `Error`.
class ErrorFrame {
 public:
  ErrorKind kind() const noexcept { return kind_; }
  // What the frame tells: Fault::none for a context frame.
  const FaultDetail& detail() const noexcept { return detail_; }
  Fault fault() const noexcept { return detail_.fault; }
  // The frame's own message; for a report frame, its message alone.
  const std::string& text() const noexcept { return text_; }
  // The report, when kind() is report; null otherwise.
  const ReportError* report() const noexcept {
    return report_ ? &*report_ : nullptr;
  }
  // The frame as it appears in a chain: a report frame's whole report text,
  // any other frame's message.
  std::string own_text(std::string_view path = {}) const {
    ReportStyle style;
    style.path = path;
    return own_text(style);
  }
  std::string own_text(const ReportStyle& style) const;

  friend bool operator==(const ErrorFrame&, const ErrorFrame&) = default;

 private:
  friend class Error;
  ErrorFrame(ErrorKind kind, std::string text, FaultDetail detail,
             std::optional<ReportError> report = std::nullopt)
      : kind_(kind),
        text_(std::move(text)),
        detail_(std::move(detail)),
        report_(std::move(report)) {}

  ErrorKind kind_;
  std::string text_;
  FaultDetail detail_;
  std::optional<ReportError> report_;
};

// An error: a chain of frames, outermost first. Every context frame wraps
// the frames after it; the last frame, the innermost, tells the fault itself.
class Error {
 public:
  // The frames outermost first: a random-access view, never empty.
  using Frames = std::ranges::reverse_view<
      std::ranges::ref_view<const std::vector<ErrorFrame>>>;

  // A report error at one byte offset of `input`, or over the bytes
  // [start, end). Offsets come from the library, never from the user: one
  // out of range gives the internal fault instead. `detail` is the fault
  // the frame tells (see Fault); the constructors of a context or an
  // internal frame set it themselves.
  static Error at_position(std::string_view input, std::size_t position,
                           std::string message, FaultDetail detail = {});
  static Error over_span(std::string_view input, std::size_t start,
                         std::size_t end, std::string message,
                         FaultDetail detail = {});
  static Error message(std::string text, FaultDetail detail = {});
  static Error conversion(std::string text, FaultDetail detail = {});
  // Puts a context frame in front of `cause`'s frames. Internal faults pass
  // through unwrapped, so the outermost frame says whether the library
  // itself failed.
  static Error wrap(std::string context, Error cause);
  static Error internal(std::string text);

  // Copies, moves and compares as a value. A moved-from error may only be
  // assigned to or destroyed.

  Frames frames() const noexcept { return Frames(frames_); }
  // The outermost frame, which names the error as a whole.
  const ErrorFrame& outermost() const noexcept { return frames_.back(); }
  // The last frame of the chain, where the fault itself is told.
  const ErrorFrame& innermost() const noexcept { return frames_.front(); }

  // Of the outermost frame.
  ErrorKind kind() const noexcept { return outermost().kind(); }
  bool is_internal() const noexcept { return kind() == ErrorKind::internal; }
  // The fault the error tells, and what it carries: the innermost frame's.
  const FaultDetail& detail() const noexcept { return innermost().detail(); }
  const std::string& text() const noexcept { return outermost().text(); }
  const ReportError* report() const noexcept { return outermost().report(); }
  std::string own_text(std::string_view path = {}) const {
    return outermost().own_text(path);
  }

  // This error as found in a larger text of which it saw only a piece: the
  // same chain with every report moved `offset` bytes and `lines` lines on.
  // The piece must begin at the start of a line of the larger text, so that
  // the reports' columns and line texts hold there too.
  Error moved_by(std::size_t offset, std::size_t lines) const;

  // This error with the source line of each one-line report cut, where it
  // is longer than `longest` bytes, to `context` characters on each side of
  // the mark, a "..." standing for each part left out. Messages, offsets,
  // lines and columns stay the same. For reports of faults on very long
  // lines, which otherwise hold the whole line twice (its text and the
  // blanks up to the mark).
  Error with_short_lines(std::size_t longest, std::size_t context) &&;

  // The whole chain: the outermost frame, then "Caused by:" and the others.
  std::string render(std::string_view path = {}) const {
    ReportStyle style;
    style.path = path;
    return render(style);
  }
  // The chain laid out in `style`; the default style gives the text above.
  std::string render(const ReportStyle& style) const;

  friend bool operator==(const Error&, const Error&) = default;

 private:
  explicit Error(ErrorFrame frame) { frames_.push_back(std::move(frame)); }
  static Error from_report(std::expected<ReportError, Error> report,
                           FaultDetail detail);

  // Innermost first, so that wrapping appends.
  std::vector<ErrorFrame> frames_;
};

}  // namespace jrl
