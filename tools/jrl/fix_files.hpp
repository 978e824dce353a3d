// `jrl check --fix`: a file's fixes applied before it is checked, written
// back in place, or shown as a diff.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "input_paths.hpp"
#include "options.hpp"

namespace jrl::cli {

struct FixedFile {
  // The text to check now: the file's, its fixes applied.
  std::string text;
  std::size_t fixes = 0;
  // For standard output: with --diff the diff of the fixes; for standard
  // input the fixed text.
  std::string output;
  // For standard error: how many fixes were made, when there were any and
  // the file was rewritten.
  std::string note;
};

// Reads `input` and applies its fixes: the file is rewritten as `jrl fmt`
// rewrites one (whole or not at all) unless --diff asks only to show them;
// a file with nothing to fix is not written at all. `name` is how messages
// name it. A failure is the one-line message saying why the file could not
// be read or written.
std::expected<FixedFile, std::string> fix_file(const InputPath& input,
                                               std::string_view name,
                                               const Options& options);

}  // namespace jrl::cli
