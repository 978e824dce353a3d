// Diagnostics: every fault of a requirements file, where it is and how to
// fix it, for editors, linters and the command line.
//
// `check(text)` runs beside `parse`: its first error is always the error
// `parse` returns (same chain and report text); after an error it
// resumes at the end of the statement and reports what the rest of the file
// gives, one error per statement at most. Files that parse are also looked
// at for statements that cannot mean what they say (warnings).
//
// A syntax error, and a number too large, lead with the mistake: the
// message says in plain words what is wrong, and the place is the
// mistake's (where the first fix applies), while `report` and `error` stay
// the parser's exact report. When a missing ";" joined two statements,
// checking goes on from the mended text after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/error.hpp"
#include "jrl/position.hpp"
#include "jrl/source_map.hpp"

namespace jrl {

enum class Severity : std::uint8_t { error, warning };

// "error" or "warning".
std::string_view severity_name(Severity severity);

// Replaces the bytes [offset, end_offset) of the checked text by
// `replacement`; an empty span inserts. `start` and `end` are the same span
// in lines and columns, counted as a diagnostic's are.
struct TextEdit {
  std::size_t offset = 0;
  std::size_t end_offset = 0;
  std::string replacement;
  LineCol start;
  LineCol end;
  friend bool operator==(const TextEdit&, const TextEdit&) = default;
};

// A fix: what it does, and the edits that do it (applied together).
struct Suggestion {
  std::string message;
  std::vector<TextEdit> edits;
  friend bool operator==(const Suggestion&, const Suggestion&) = default;
};

// A further place that explains a diagnostic, such as the first of two
// equal selectors.
struct Note {
  std::string message;
  std::size_t offset = 0;
  LineCol line_col;
  friend bool operator==(const Note&, const Note&) = default;
};

struct Diagnostic {
  Severity severity = Severity::error;
  // "JRL" and three digits, one per kind of fault (see diagnostic_codes()).
  std::string code;
  // The span as byte offsets into the checked text, end exclusive, and as
  // lines and columns (from 1, columns in characters; the end one column
  // past the span's last character). A fault at one position spans the
  // character there, or nothing at a line break or the end of the text.
  std::size_t offset = 0;
  std::size_t end_offset = 0;
  LineCol start;
  LineCol end;
  // The innermost message, and the context messages around it, outermost
  // first.
  std::string message;
  std::vector<std::string> context;
  // The exact report text: for the first error, what `parse` renders.
  std::string report;
  std::vector<Suggestion> suggestions;
  std::vector<Note> notes;
  // The error value behind the report: `report` is error->render().
  std::optional<Error> error;
  // When the message or the place is not the report's own (a syntax error
  // said in plain words at the mistake, a number too large), the message
  // as a report over the source at the diagnostic's place: what a reader
  // sees first, with the report after it.
  std::optional<Error> lead;

  // The report with ` --> PATH:LINE:COL` in its headers.
  std::string report_for(std::string_view path) const;
};

struct CheckOptions {
  // At most this many diagnostics; the first error always comes.
  std::size_t max_diagnostics = 200;
  // Look for warnings in a file that parses.
  bool warnings = true;
  // Search for fixes of syntax errors (a few trial parses per error).
  bool suggestions = true;
};

// Every diagnostic of `text`: errors first (the first one is `parse`'s own),
// the others in order of position, then warnings in order of position. A
// UTF-8 byte-order mark at the start is skipped: line 1 column 1 is the
// character after it, while offsets still count it, so edits apply to
// `text` as given. An empty result means the file parses with no warning.
std::vector<Diagnostic> check(std::string_view text,
                              const CheckOptions& options = {});

// The diagnostic of `error`, the failure `parse(text)` returned: its code,
// place and suggestions, as `check` gives them for a text whose first error
// this is, for the cost of one fix search instead of a whole check. The
// text is read as `parse` read it: a byte-order mark is not skipped.
Diagnostic diagnose(std::string_view text, const Error& error,
                    const CheckOptions& options = {});

// The top-level statements of `text`, found even where it does not parse,
// as `check` finds them to resume after an error: the bytes [start, end)
// of each through its ";". They cover the whole text, so each holds the
// space and comments before its statement; the last runs to the end of the
// text (it is all space and comments after a final ";").
std::vector<ByteSpan> statement_spans(std::string_view text);

// One kind of diagnostic.
struct DiagnosticCode {
  std::string_view code;   // "JRL010"
  Severity severity;
  std::string_view name;   // "syntax-error"
  std::string_view title;  // one line, as a rule's short description
};

// Every code, in code order.
std::span<const DiagnosticCode> diagnostic_codes();

// The entry for `code`, if there is one.
const DiagnosticCode* find_diagnostic_code(std::string_view code);

// The diagnostic of a file that cannot be read ("unreadable-file"), with
// `message` saying why. It has no place in any text: offsets 0, lines and
// columns 1:1, no report and no error value.
Diagnostic unreadable_file(std::string message);

}  // namespace jrl
