// Reading jrl.toml and pyproject.toml with toml++, compiled into the tool
// (header-only, without exceptions) so that it needs no shared library.
#include "config_file.hpp"

#include <system_error>
#include <utility>

#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace jrl::cli {
namespace {

std::string place(const std::filesystem::path& path, const toml::source_region& at) {
  return path.string() + ":" + std::to_string(at.begin.line) + ":" +
         std::to_string(at.begin.column);
}

}  // namespace

std::expected<ConfigFile, std::string> read_config(const std::filesystem::path& path,
                                                   bool table) {
  toml::parse_result parsed = toml::parse_file(path.string());
  if (!parsed) {
    return std::unexpected(place(path, parsed.error().source()) + ": " +
                           std::string(parsed.error().description()));
  }
  ConfigFile out{path, std::nullopt};
  const toml::table* settings = &parsed.table();
  if (table) {
    const toml::node* tool = parsed.table().at_path("tool.jrl").node();
    if (tool == nullptr) return out;
    settings = tool->as_table();
    if (settings == nullptr) {
      return std::unexpected(place(path, tool->source()) + ": [tool.jrl] must be a table");
    }
  }
  for (const auto& [key, value] : *settings) {
    if (key.str() != "catalogue") {
      return std::unexpected(place(path, key.source()) + ": unknown setting \"" +
                             std::string(key.str()) + "\" (known: catalogue)");
    }
    const std::optional<std::string> text = value.value_exact<std::string>();
    if (!text || text->empty()) {
      return std::unexpected(place(path, value.source()) +
                             ": \"catalogue\" must be the path of a catalogue, as a string");
    }
    out.catalogue = path.parent_path() / *text;
  }
  return out;
}

std::expected<std::optional<ConfigFile>, std::string> find_config(
    const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::path at = std::filesystem::absolute(directory, error);
  if (error) return std::optional<ConfigFile>();
  for (;;) {
    for (const auto& [name, table] : {std::pair{"jrl.toml", false}, {"pyproject.toml", true}}) {
      const std::filesystem::path candidate = at / name;
      if (!std::filesystem::is_regular_file(candidate, error)) continue;
      auto config = read_config(candidate, table);
      if (!config) return std::unexpected(std::move(config.error()));
      // A pyproject.toml without [tool.jrl] is some other project's.
      if (!table || config->catalogue) return std::optional(std::move(*config));
    }
    if (!at.has_parent_path() || at.parent_path() == at) return std::optional<ConfigFile>();
    at = at.parent_path();
  }
}

}  // namespace jrl::cli
