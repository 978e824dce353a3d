#include "file_catalogues.hpp"

#include <utility>

#include "config_file.hpp"

namespace jrl::cli {

std::expected<const Catalogue*, std::string> FileCatalogues::loaded(
    const std::filesystem::path& path) {
  const std::filesystem::path key = path.lexically_normal();
  if (const auto it = catalogues_.find(key); it != catalogues_.end()) return &it->second;
  auto catalogue = Catalogue::load(path);
  if (!catalogue) return std::unexpected(catalogue.error().message());
  return &catalogues_.emplace(key, std::move(*catalogue)).first->second;
}

std::expected<FileCatalogues, std::string> FileCatalogues::load(
    const Options& options, std::span<const InputPath> files) {
  FileCatalogues out;
  if (!options.catalogue.empty()) {
    const auto catalogue = out.loaded(options.catalogue);
    if (!catalogue) return std::unexpected(catalogue.error());
    for (const InputPath& file : files) out.by_file_[file.path] = *catalogue;
    return out;
  }
  if (options.no_config) return out;
  // Files of one directory share its configuration.
  std::map<std::filesystem::path, const Catalogue*> by_directory;
  for (const InputPath& file : files) {
    const std::filesystem::path directory =
        file.path == "-" ? std::filesystem::path(".")
                         : std::filesystem::path(file.path).parent_path();
    auto [at, fresh] = by_directory.try_emplace(directory, nullptr);
    if (fresh) {
      const auto config = find_config(directory.empty() ? "." : directory);
      if (!config) return std::unexpected(config.error());
      if (*config && (*config)->catalogue) {
        const auto catalogue = out.loaded(*(*config)->catalogue);
        if (!catalogue) return std::unexpected(catalogue.error());
        at->second = *catalogue;
      }
    }
    out.by_file_[file.path] = at->second;
  }
  return out;
}

const Catalogue* FileCatalogues::find(const std::string& path) const {
  const auto it = by_file_.find(path);
  return it == by_file_.end() ? nullptr : it->second;
}

}  // namespace jrl::cli
