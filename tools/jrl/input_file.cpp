#include "input_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace jrl::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string failure(std::string_view path, int error_number) {
  return "cannot read " + display_name(path) + ": " +
         std::strerror(error_number);
}

// Reads `file` to its end; errno tells why when it fails.
std::expected<std::string, int> read_all(std::FILE* file) {
  std::string content;
  char buffer[1 << 16];
  while (true) {
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    content.append(buffer, got);
    if (got < sizeof buffer) {
      if (std::ferror(file)) return std::unexpected(errno ? errno : EIO);
      return content;
    }
  }
}

}  // namespace

std::string_view without_bom(std::string_view content) {
  return content.starts_with("\xEF\xBB\xBF") ? content.substr(3) : content;
}

std::string display_name(std::string_view path) {
  return path == "-" ? std::string("<stdin>") : std::string(path);
}

std::expected<std::string, std::string> read_input(std::string_view path) {
  if (path == "-") {
    auto content = read_all(stdin);
    if (!content) return std::unexpected(failure(path, content.error()));
    return std::move(*content);
  }
  const std::string name(path);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) return std::unexpected(failure(path, errno));
  auto content = read_all(file.get());
  if (!content) return std::unexpected(failure(path, content.error()));
  return std::move(*content);
}

}  // namespace jrl::cli
