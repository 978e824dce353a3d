#include "input_paths.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace jrl::cli {
namespace {

namespace fs = std::filesystem;

// The *.jrl regular files below `directory`, sorted, or why it could not be
// listed. Symbolic links are not followed: a link to a directory is not
// entered (the iterator's default) and a link to a file is not taken.
void walk(const std::string& directory, std::vector<InputPath>& out) {
  std::vector<std::string> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(directory, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    const fs::file_status status = it->symlink_status(type_ec);
    if (!type_ec && fs::is_regular_file(status) &&
        it->path().extension() == ".jrl") {
      files.push_back(it->path().generic_string());
    }
  }
  if (ec) {
    out.push_back(
        {directory, "cannot read " + directory + ": " + ec.message(), false});
    return;
  }
  std::sort(files.begin(), files.end());
  for (std::string& file : files) out.push_back({std::move(file), {}, true});
}

}  // namespace

std::expected<std::vector<InputPath>, std::string> expand_paths(
    std::span<const std::string> paths) {
  std::vector<InputPath> out;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (path != "-" && fs::is_directory(path, ec)) {
      const std::size_t before = out.size();
      walk(path, out);
      if (out.size() == before) {
        return std::unexpected("there are no *.jrl files in directory '" +
                               path + "'");
      }
    } else {
      out.push_back({path, {}, false});
    }
  }
  return out;
}

}  // namespace jrl::cli
