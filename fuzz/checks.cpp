#include "checks.hpp"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jrl/jrl.hpp"
#include "json_check.hpp"
#include "utf8_check.hpp"

namespace jrl::fuzz {
namespace {

// The line and column of a byte offset, counted as users count them: a line
// feed or a CR LF pair ends a line, columns count code points.
LineCol line_col_of(std::string_view input, std::size_t pos) {
  LineCol at;
  std::size_t i = 0;
  while (i < pos) {
    const auto b = static_cast<unsigned char>(input[i]);
    if (b == '\n') {
      ++at.line;
      at.column = 1;
      ++i;
    } else if (b == '\r' && i + 1 < input.size() && input[i + 1] == '\n' &&
               i + 1 < pos) {
      ++at.line;
      at.column = 1;
      i += 2;
    } else {
      ++at.column;
      ++i;
      while (i < pos && (static_cast<unsigned char>(input[i]) & 0xC0) == 0x80) {
        ++i;
      }
    }
  }
  return at;
}

std::size_t line_count(std::string_view input) {
  std::size_t lines = 1;
  for (const char c : input) lines += c == '\n';
  return lines;
}

void check_report(std::string_view input, const ReportError& report) {
  require(report.start() <= input.size(), "report start inside the input");
  if (report.end()) {
    require(*report.end() <= input.size(), "report end inside the input");
    require(*report.end() >= report.start(), "report span not reversed");
  }
  const LineCol expected = line_col_of(input, report.start());
  require(report.start_line_col() == expected,
          "report line and column are those of its offset");
  require(report.start_line_col().line <= line_count(input),
          "report line inside the input");
  if (report.end_line_col()) {
    require(report.end_line_col()->line >= report.start_line_col().line &&
                report.end_line_col()->line <= line_count(input),
            "report end line inside the input");
  }
  require(!report.message().empty(), "report message non-empty");
  require(is_valid_utf8(report.line()), "report line is UTF-8");
}

void check_success(const ParseResult& result) {
  auto compact = result.to_string();
  auto pretty = result.to_string_pretty();
  require(compact.has_value() && pretty.has_value(), "JSON rendering succeeds");
  auto from_compact = reformat_json(*compact);
  require(from_compact.has_value(), "compact JSON is JSON");
  auto from_pretty = reformat_json(*pretty);
  require(from_pretty.has_value(), "pretty JSON is JSON");
  require(from_compact->compact == from_pretty->compact,
          "compact and pretty JSON hold the same content");
  require(from_compact->compact == *compact,
          "compact JSON has no whitespace and minimal escapes");
  require(from_compact->pretty == *pretty,
          "pretty JSON is the compact JSON indented");
  const std::string head = "{\"version\":\"0.1.6\",\"requirements\":[";
  require(compact->compare(0, head.size(), head) == 0,
          "JSON starts with version and requirements");

  const std::string debug = result.to_debug_string();
  const std::string debug_head =
      "ParseResult { parsed_jrl_file: JRLQueryFile { version: \"0.1.6\", "
      "requirements: [";
  const std::string debug_tail = "] } }";
  require(debug.size() >= debug_head.size() + debug_tail.size() &&
              debug.compare(0, debug_head.size(), debug_head) == 0 &&
              debug.compare(debug.size() - debug_tail.size(), debug_tail.size(),
                            debug_tail) == 0,
          "debug text is a whole ParseResult");
  require(debug.find('\n') == std::string::npos, "debug text is one line");
  require(is_valid_utf8(debug), "debug text is UTF-8");
}

void check_failure(std::string_view input, const Error& error) {
  require(!error.is_internal(), "no internal fault for any input");
  const std::string text = error.render();
  require(!text.empty(), "error text non-empty");
  require(is_valid_utf8(text), "error text is UTF-8");
  for (const ErrorFrame& frame : error.frames()) {
    require(frame.kind() != ErrorKind::internal,
            "no internal fault inside a chain");
    require((frame.kind() == ErrorKind::report) == (frame.report() != nullptr),
            "a frame carries a report exactly when it is a report frame");
    if (frame.report() != nullptr) check_report(input, *frame.report());
  }
}

// The diagnostics agree with the parse: the first error is its error, and
// every place and edit lies inside the input. check() skips a leading
// byte-order mark, so its errors are those of parse() on the text after it.
void check_diagnostics(std::string_view input) {
  const std::vector<Diagnostic> diagnostics = check(input);
  std::string_view body = input;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  const auto parsed = parse(body);
  if (parsed) {
    for (const Diagnostic& d : diagnostics) {
      require(d.severity == Severity::warning, "a file that parses has no error");
    }
  } else {
    require(!diagnostics.empty(), "a failing file has a diagnostic");
    require(diagnostics.front().error && *diagnostics.front().error == parsed.error(),
            "the first diagnostic is the error of parse");
    require(diagnostics.front().report == parsed.error().render(),
            "the first diagnostic has the exact report");
  }
  for (const Diagnostic& d : diagnostics) {
    require(d.offset <= d.end_offset && d.end_offset <= input.size(),
            "diagnostic span inside the input");
    require(find_diagnostic_code(d.code) != nullptr, "diagnostic code known");
    require(d.code != "JRL099", "no internal fault among diagnostics");
    for (const Suggestion& s : d.suggestions) {
      for (const TextEdit& e : s.edits) {
        require(e.offset <= e.end_offset && e.end_offset <= input.size(),
                "edit inside the input");
      }
    }
  }
}

}  // namespace

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

void check_parse(std::string_view input) {
  const auto first = parse(input);
  const auto second = parse(input);
  require(first.has_value() == second.has_value(), "same input, same outcome");
  if (!is_valid_utf8(input)) {
    require(!first.has_value(), "input that is not UTF-8 is rejected");
  }
  if (first) {
    require(*first == *second, "same input, same model");
    require(first->to_string() == second->to_string(), "same input, same JSON");
    check_success(*first);
  } else {
    require(first.error() == second.error(), "same input, same error");
    require(first.error().render() == second.error().render(),
            "same input, same error text");
    check_failure(input, first.error());
  }
  check_diagnostics(input);
}

}  // namespace jrl::fuzz
