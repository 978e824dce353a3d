// The configuration file of a project: `jrl.toml`, or the `[tool.jrl]`
// table of `pyproject.toml`, found in the directory of the file checked or
// the nearest directory above it. It may name the catalogue that `jrl
// check` checks against when no --catalogue is given:
//
//   catalogue = "catalogue/wexmoor.json"   # relative to the file's directory
#pragma once

#include <expected>
#include <filesystem>
#include <optional>
#include <string>

namespace jrl::cli {

struct ConfigFile {
  std::filesystem::path path;  // the file read
  // The catalogue it names, made absolute from the file's directory.
  std::optional<std::filesystem::path> catalogue;
};

// Reads one configuration file; `table` is true for a pyproject.toml, whose
// settings are those of its [tool.jrl] table. A file that is not TOML, a
// key that is not known and a value of the wrong type are errors that name
// the file, the line and the column.
std::expected<ConfigFile, std::string> read_config(const std::filesystem::path& path,
                                                   bool table);

// The configuration that applies to files in `directory`: in it or the
// nearest directory above it, `jrl.toml`, else a `pyproject.toml` that has
// a [tool.jrl] table. None when no directory up to the root has either.
std::expected<std::optional<ConfigFile>, std::string> find_config(
    const std::filesystem::path& directory);

}  // namespace jrl::cli
