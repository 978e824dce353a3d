// The formats of `jrl check`: each turns the diagnostics of the checked
// files into one kind of output.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "options.hpp"

namespace jrl::cli {

// One file's diagnostics as a reporter writes them: one piece of output per
// diagnostic, and their counts.
struct FileReport {
  std::vector<std::string> pieces;
  std::size_t errors = 0;
  std::size_t warnings = 0;
};

class Reporter {
 public:
  virtual ~Reporter() = default;
  // One file's diagnostics (those to show), in order, made into output: a
  // piece each. Reads and changes nothing of the reporter, so that files can
  // be rendered on several threads at once.
  FileReport render(std::string_view name,
                    std::span<const Diagnostic> diagnostics) const;
  // Writes a rendered file; called in the order of the files.
  virtual void write(FileReport report) = 0;
  // Renders and writes one file.
  void file(std::string_view name, std::span<const Diagnostic> diagnostics) {
    write(render(name, diagnostics));
  }
  // A file that could not be read, with the message saying why: reported
  // as its diagnostic (jrl::unreadable_file), which names no place in it.
  void unreadable(std::string_view name, std::string_view message);
  // After the last file.
  virtual void finish() {}

 protected:
  // One diagnostic of the file `name` as this format writes it; `placed` is
  // false for a file that could not be read, whose diagnostic has no place.
  virtual std::string piece(std::string_view name, const Diagnostic& d,
                            bool placed) const = 0;

 private:
  FileReport pieces(std::string_view name,
                    std::span<const Diagnostic> diagnostics,
                    bool placed) const;
};

struct TextStyle {
  bool colour = false;
  bool align = false;  // underlines by display width (a terminal)
  // After files with nothing to report, say so in one line (text only).
  bool good_summary = false;
};

std::unique_ptr<Reporter> text_reporter(TextStyle style);
std::unique_ptr<Reporter> short_reporter();
std::unique_ptr<Reporter> json_reporter();
std::unique_ptr<Reporter> github_reporter();
std::unique_ptr<Reporter> sarif_reporter();

// A value of `--format`: its name, what the usage text says of it, and the
// reporter it makes (`style` is for a terminal).
struct ReportFormat {
  std::string_view name;
  std::string_view summary;
  std::unique_ptr<Reporter> (*make)(TextStyle style);
};

// Every format, the default first, in the order the usage text lists them.
std::span<const ReportFormat> report_formats();

}  // namespace jrl::cli
