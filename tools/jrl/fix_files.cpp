#include "fix_files.hpp"

#include <optional>
#include <utility>

#include "atomic_write.hpp"
#include "input_file.hpp"
#include "jrl/fix.hpp"
#include "output.hpp"
#include "jrl/text.hpp"
#include "unified_diff.hpp"

namespace jrl::cli {

std::expected<FixedFile, std::string> fix_file(const InputPath& input,
                                               std::string_view name,
                                               const Options& options) {
  const Links links = input.walked ? Links::refuse : Links::follow;
  const bool in_place = input.path != "-" && !options.diff;
  // Only a file to rewrite must be a regular file, held open until then.
  std::optional<FileToRewrite> original;
  std::string read;
  if (in_place) {
    auto file = FileToRewrite::read(input.path,
                                    {links, options.allow_hard_links});
    if (!file) return std::unexpected(std::move(file.error()));
    original.emplace(std::move(*file));
  } else {
    auto text = read_input(input.path, links);
    if (!text) return std::unexpected(std::move(text.error()));
    read = std::move(*text);
  }
  const std::string& content = original ? original->content() : read;
  FixResult fixed = jrl::fix(content);
  FixedFile out{std::move(fixed.text), fixed.fixes, "", ""};
  if (options.diff) {
    out.output = unified_diff(escape_line(name), content, out.text);
  } else if (!original) {
    out.output = out.text;  // standard input: the fixed text goes on
  } else if (out.fixes > 0) {
    if (auto written = original->replace(out.text); !written) {
      return std::unexpected(std::move(written.error()));
    }
    out.note = escape_line(name) + ": " + std::to_string(out.fixes) +
               (out.fixes == 1 ? " fix" : " fixes") + " applied\n";
  }
  return out;
}

}  // namespace jrl::cli
