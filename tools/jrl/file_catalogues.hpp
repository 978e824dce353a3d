// Which catalogue `jrl check` checks each file against: the one --catalogue
// names, else the one the file's configuration names (see config_file.hpp),
// else none. Each catalogue is loaded once, however many files use it.
#pragma once

#include <expected>
#include <filesystem>
#include <map>
#include <span>
#include <string>

#include "input_paths.hpp"
#include "jrl/catalogue.hpp"
#include "options.hpp"

namespace jrl::cli {

class FileCatalogues {
 public:
  // The catalogues of `files`; the message of the first catalogue or
  // configuration file that did not load when one fails.
  static std::expected<FileCatalogues, std::string> load(const Options& options,
                                                         std::span<const InputPath> files);

  // The catalogue of the file at `path`, or null.
  const Catalogue* find(const std::string& path) const;

 private:
  std::expected<const Catalogue*, std::string> loaded(const std::filesystem::path& path);

  std::map<std::filesystem::path, Catalogue> catalogues_;
  std::map<std::string, const Catalogue*> by_file_;
};

}  // namespace jrl::cli
