// Fixes for the common mistakes, found by trying small edits; each is
// checked by a trial parse before it is offered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"

namespace jrl::diagnostics {

// What a repair mends, so that its words can say what was wrong.
enum class RepairKind : std::uint8_t {
  close_mark,      // a missing mark after a token: ; : ) ] , and a quote
  open_mark,       // a missing mark before a token: ( [ and a quote
  call_paren,      // a function name run into its argument: CLASSMATH
  keyword,         // a misspelt keyword
  capitals,        // a department not written in capitals
  replace_mark,    // one mark written for another
  remove_mark,     // a mark that cannot stand where it is
  double_quotes,   // a string in single quotes
  comment,         // a comment begun with "#"
  course_space,    // a course written HIST-1100
  quote_argument,  // text that should be a string, left unquoted
};

// A repair of a statement: the fix, offsets into the statement, and what
// it mends.
struct Repair {
  Suggestion suggestion;
  RepairKind kind = RepairKind::close_mark;
  // The text replaced (the misspelt word, the mark), and the text put in.
  std::string old_text;
  std::string text;
  // The edit ends a requirement that then reads, while the text after the
  // inserted ";" still fails on its own: two statements run together, the
  // second with a fault of its own.
  bool splits = false;
  // False for an edit after which the statement still fails to build: it
  // names the mistake, but is no fix.
  bool offered = true;
};

// The repairs that `syntax_fixes` offers, with what each mends; when there
// is none, the one edit that names the mistake though it is no fix, if
// there is one.
std::vector<Repair> syntax_repairs(std::string_view statement,
                                   std::size_t error_pos,
                                   std::size_t limit = 3);

// Edits that mend `statement` (a statement that fails at byte `error_pos`
// with a syntax error): single insertions of punctuation at token
// boundaries, and replacements of misspelt keywords and of departments not
// written in capitals. Offsets are into `statement`; at most `limit`
// suggestions, the edit nearest the error first. Each one mends.
std::vector<Suggestion> syntax_fixes(std::string_view statement,
                                     std::size_t error_pos,
                                     std::size_t limit = 3);

// The fix that the fault `frame` names itself, as an edit of the span it
// reports on, when it mends: an unknown function's suggested name, and for
// an unknown department the closest code a file can hold (which is the
// report's own suggestion unless that is one of the registry's shorter
// codes). `statement` holds the span and starts at byte `statement_start`
// of the text the report's offsets count in; the edit's offsets count there
// too.
std::optional<Suggestion> named_fix(const ErrorFrame& frame,
                                    std::string_view statement,
                                    std::size_t statement_start);

// Whether applying `edit` to `statement` mends it: a trial parse of the
// edited statement succeeds. A statement with a second mistake, which one
// edit cannot mend, gets no fix, so a fix never brings a fault to light.
bool mends(std::string_view statement, const TextEdit& edit);

// `text` as code in a message: `text`.
std::string quoted(std::string_view text);

// `statement` with the edits of `edits` (in order, not overlapping) applied.
std::string applied(std::string_view statement,
                    const std::vector<TextEdit>& edits);

}  // namespace jrl::diagnostics
