// What the paths of a command line stand for: a file itself, or every *.jrl
// file below a directory. `jrl check` and `jrl fmt` walk directories alike.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <vector>

namespace jrl::cli {

// One file to read, or a directory that could not be listed.
struct InputPath {
  std::string path;
  // Why the directory `path` could not be listed; empty when it could.
  std::string failure;
  // Found by walking a directory rather than named by the user: read
  // without following a symbolic link (one put there after the walk).
  bool walked = false;
};

// The paths in order, each directory replaced by the *.jrl regular files
// below it, sorted. A walk never follows a symbolic link, to a file or to a
// directory, so it stays inside the tree it was given; a link named on the
// command line is followed, as the user asked. A directory with no *.jrl
// file below it is a mistake of the command line (a wrong path would
// otherwise pass for a good one): the result is then the usage error that
// names it.
std::expected<std::vector<InputPath>, std::string> expand_paths(
    std::span<const std::string> paths);

}  // namespace jrl::cli
