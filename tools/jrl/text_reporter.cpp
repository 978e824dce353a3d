// `--format=text`: for people at a terminal, on standard error.
#include <algorithm>
#include <string>

#include "colour.hpp"
#include "jrl/position.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "reporter.hpp"
#include "terminal_text.hpp"

namespace jrl::cli {
namespace {

std::string place(const LineCol& at) {
  return std::to_string(at.line) + ":" + std::to_string(at.column);
}

// A message for one line of the terminal: controls escaped, and a message
// that quotes a huge piece of the file cut after a few hundred characters.
std::string terminal_message(std::string_view text) {
  constexpr std::size_t MAX_CHARACTERS = 300;
  const std::size_t cut = byte_offset(text, MAX_CHARACTERS);
  std::string out = escape_controls(text.substr(0, cut));
  if (cut < text.size()) out += "\xE2\x80\xA6";  // …
  return out;
}

// Whether the report of `d` names a place in the file.
bool has_place(const Diagnostic& d) {
  if (!d.error) return d.report.find("--> ") != std::string::npos;
  return std::ranges::any_of(d.error->frames(), [](const ErrorFrame& frame) {
    return frame.report() != nullptr;
  });
}


class TextReporter final : public Reporter {
 public:
  explicit TextReporter(TextStyle style) : style_(style) {}

  void write(FileReport report) override {
    ++files_;
    errors_ += report.errors;
    warnings_ += report.warnings;
    if (report.pieces.empty()) return;
    // One write a file: standard error is unbuffered.
    std::string out;
    for (const std::string& piece : report.pieces) {
      if (shown_) out += '\n';
      out += piece;
      shown_ = true;
    }
    write_out(stderr, out);
  }

  void finish() override {
    if (!shown_) {
      if (style_.good_summary && files_ > 0) {
        write_out(stderr, counted(files_, "file") + " checked, no problems\n");
      }
      return;
    }
    std::string summary = "\n";
    summary += counted(errors_, "error");
    summary += ", ";
    summary += counted(warnings_, "warning");
    summary += " in ";
    summary += counted(files_, "file");
    summary += " checked\n";
    write_out(stderr, summary);
  }

 private:
  std::string piece(std::string_view name, const Diagnostic& d,
                    bool placed) const override {
    std::string out =
        headline(d.severity, d.code) + ": " + terminal_message(d.message) + "\n";
    if (!placed) return out;
    const ReportStyle style = terminal_style(name, style_.colour, style_.align);
    std::string report;
    // A report without a place of its own still says where to look.
    if (!has_place(d)) {
      report += " --> " + escape_controls(name) + ":" + place(d.start) + "\n";
    }
    report += d.error ? d.error->render(style) : escape_controls(d.report);
    report += "\n";
    // The message at the mistake first; the report, exactly as the parser
    // gives it, after the fixes.
    out += d.lead ? d.lead->render(style) + "\n" : report;
    for (const Suggestion& s : d.suggestions) {
      out += paint("help", Tone::help, style_.colour) + ": " +
             terminal_message(s.message);
      if (!s.edits.empty()) out += " (" + place(s.edits.front().start) + ")";
      out += "\n";
    }
    for (const Note& n : d.notes) {
      out += paint("note", Tone::help, style_.colour) + ": " +
             terminal_message(n.message) + " (" + place(n.line_col) + ")\n";
    }
    if (d.lead) {
      out += paint("note", Tone::help, style_.colour) +
             ": the parser reports:\n" + report;
    }
    return out;
  }

  std::string headline(Severity severity, std::string_view code) const {
    const bool error = severity == Severity::error;
    return paint(std::string(severity_name(severity)) + "[" +
                     std::string(code) + "]",
                 error ? Tone::error : Tone::warning, style_.colour);
  }

  TextStyle style_;
  bool shown_ = false;
  std::size_t files_ = 0;
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
};

}  // namespace

std::unique_ptr<Reporter> text_reporter(TextStyle style) {
  return std::make_unique<TextReporter>(style);
}

}  // namespace jrl::cli
