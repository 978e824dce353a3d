// The formats of `jrl check`: each turns the diagnostics of the checked
// files into one kind of output.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "options.hpp"

namespace jrl::cli {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // One file's diagnostics (those to show), in order; `text` is its
  // content.
  virtual void file(std::string_view name, std::string_view text,
                    const std::vector<Diagnostic>& diagnostics) = 0;
  // A file that could not be read, with the message saying why.
  virtual void unreadable(std::string_view name, std::string_view message) = 0;
  // After the last file.
  virtual void finish() {}
};

struct TextStyle {
  bool colour = false;
  bool align = false;  // underlines by display width (a terminal)
};

std::unique_ptr<Reporter> text_reporter(TextStyle style);
std::unique_ptr<Reporter> short_reporter();
std::unique_ptr<Reporter> json_reporter();
std::unique_ptr<Reporter> github_reporter();
std::unique_ptr<Reporter> sarif_reporter();

}  // namespace jrl::cli
