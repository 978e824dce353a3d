// The one-line-per-diagnostic formats on standard output: `short` (what
// grep and editors' problem matchers read), `json` (JSON Lines) and
// `github` (workflow-command annotations). File names and messages are
// escaped so that neither can end a line early or reach a terminal raw.
#include <string>

#include "diagnostics_json.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "reporter.hpp"

namespace jrl::cli {
namespace {

std::string number(std::size_t n) { return std::to_string(n); }

// Formats whose pieces are lines of standard output, written as they come.
class LineReporter : public Reporter {
 public:
  void write(FileReport report) override {
    std::string out;
    for (const std::string& line : report.pieces) out += line;
    write_out(stdout, out);
  }
};

// A message's line breaks as blanks, its other controls escaped.
std::string one_line(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return escape_line(out);
}

class ShortReporter final : public LineReporter {
  std::string piece(std::string_view name, const Diagnostic& d,
                    bool placed) const override {
    std::string out = escape_line(name);
    if (placed) {
      out += ':';
      out += number(d.start.line);
      out += ':';
      out += number(d.start.column);
    }
    out += ": ";
    out += severity_name(d.severity);
    out += "[" + d.code + "]: ";
    return out + one_line(d.message) + "\n";
  }
};

class JsonReporter final : public LineReporter {
  std::string piece(std::string_view name, const Diagnostic& d,
                    bool placed) const override {
    return diagnostic_json(name, d, placed) + "\n";
  }
};

// Workflow commands: properties escape "%", line breaks, ":" and ","; the
// message escapes "%" and line breaks. Other controls are then escaped as
// for a terminal.
std::string escaped(std::string_view text, bool property) {
  std::string out;
  for (char c : text) {
    if (c == '%') {
      out += "%25";
    } else if (c == '\r') {
      out += "%0D";
    } else if (c == '\n') {
      out += "%0A";
    } else if (property && c == ':') {
      out += "%3A";
    } else if (property && c == ',') {
      out += "%2C";
    } else {
      out += c;
    }
  }
  return escape_line(out);
}

class GithubReporter final : public LineReporter {
  std::string piece(std::string_view name, const Diagnostic& d,
                    bool placed) const override {
    std::string out = "::";
    out += severity_name(d.severity);
    out += " file=" + escaped(name, true);
    if (placed) {
      out += ",line=" + number(d.start.line) + ",col=" +
             number(d.start.column) + ",endLine=" + number(d.end.line) +
             ",endColumn=" + number(d.end.column);
    }
    return out + ",title=" + d.code + "::" + escaped(d.message, false) + "\n";
  }
};

}  // namespace

std::unique_ptr<Reporter> short_reporter() {
  return std::make_unique<ShortReporter>();
}
std::unique_ptr<Reporter> json_reporter() {
  return std::make_unique<JsonReporter>();
}
std::unique_ptr<Reporter> github_reporter() {
  return std::make_unique<GithubReporter>();
}

}  // namespace jrl::cli
