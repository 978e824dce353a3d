#include "audit_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "audit_output_names.hpp"

namespace jrl::cli {
namespace {

namespace fs = std::filesystem;

// A file being written under a temporary name beside the one it gets: the
// process's id keeps two runs into one folder apart.
fs::path part_name(const fs::path& dir, const std::string& name) {
  std::string part(".");  // appended piece by piece: GCC 12 warns wrongly of overlap
  part += name;
  part += ".part-";
  static const std::string pid = std::to_string(::getpid());
  part += pid;
  return dir / part;
}

// Writes `text` to a new file `part`; the system's error number on failure,
// when nothing is left of `part`.
int write_whole(const fs::path& part, std::string_view text) {
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return errno;
  int error = 0;
  for (std::size_t written = 0; written < text.size() && error == 0;) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n >= 0) {
      written += static_cast<std::size_t>(n);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) ::unlink(part.c_str());
  return error;
}

}  // namespace

std::string_view output_extension(AuditFormat format) {
  switch (format) {
    case AuditFormat::json: return "json";
    case AuditFormat::html: return "html";
    case AuditFormat::text: break;
  }
  return "txt";
}

std::expected<AuditFolder, std::string> AuditFolder::open(const std::string& dir,
                                                          AuditFormat format,
                                                          std::string_view title) {
  const fs::path path(dir);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::exists(status) && !fs::is_directory(status)) {
    return std::unexpected("cannot write to " + dir + ": it is not a folder");
  }
  if (!fs::exists(status) && !fs::create_directories(path, error) && error) {
    return std::unexpected("cannot make the folder " + dir + ": " + error.message());
  }
  AuditFolder folder(path, std::string(output_extension(format)));
  std::string claims = (path / ".jrl-names-XXXXXX").string();
  if (::mkdtemp(claims.data()) == nullptr) return std::unexpected(folder.failure(path, errno));
  folder.claims_ = claims;
  if (format != AuditFormat::html) return folder;

  // A student with the id "index" must not take the index's name.
  if (auto taken = folder.claim("index"); !taken) return std::unexpected(taken.error());
  folder.index_part_ = part_name(path, "index.html");
  folder.index_ = std::fopen(folder.index_part_.c_str(), "we");
  if (folder.index_ == nullptr) return std::unexpected(folder.failure(folder.index_part_, errno));
  if (auto written = folder.add_row(audit_index_head(title)); !written) {
    return std::unexpected(written.error());
  }
  return folder;
}

AuditFolder::AuditFolder(AuditFolder&& other) noexcept
    : dir_(std::move(other.dir_)),
      extension_(std::move(other.extension_)),
      claims_(std::exchange(other.claims_, {})),
      index_(std::exchange(other.index_, nullptr)),
      index_part_(std::move(other.index_part_)) {}

AuditFolder::~AuditFolder() { discard(); }

void AuditFolder::discard() {
  if (index_ != nullptr) {
    std::fclose(index_);
    index_ = nullptr;
    ::unlink(index_part_.c_str());
  }
  if (!claims_.empty()) {
    std::error_code ignored;
    fs::remove_all(claims_, ignored);
    claims_.clear();
  }
}

std::string AuditFolder::failure(const fs::path& path, int error_number) const {
  return "cannot write " + path.string() + ": " + std::strerror(error_number);
}

std::expected<bool, std::string> AuditFolder::claim(std::string_view stem) {
  // A symbolic link is the cheapest entry to make: one call, no file opened.
  const fs::path mark = claims_ / case_folded(stem);
  if (::symlink(".", mark.c_str()) == 0) return true;
  if (errno == EEXIST) return false;
  return std::unexpected(failure(mark, errno));
}

std::expected<void, std::string> AuditFolder::add_row(const std::string& html) {
  if (std::fwrite(html.data(), 1, html.size(), index_) != html.size()) {
    return std::unexpected(failure(index_part_, errno));
  }
  return {};
}

std::expected<fs::path, std::string> AuditFolder::write_part(std::size_t line,
                                                             std::string_view content) const {
  fs::path part = part_name(dir_, std::to_string(line));
  if (const int error = write_whole(part, content); error != 0) {
    return std::unexpected(failure(part, error));
  }
  return part;
}

std::expected<void, std::string> AuditFolder::write_report(std::string_view student,
                                                           std::size_t line,
                                                           const fs::path& part,
                                                           AuditIndexRow row) {
  std::string stem = file_stem(student);
  const auto free = claim(stem);
  if (!free) {
    ::unlink(part.c_str());
    return std::unexpected(free.error());
  }
  // '~' is never part of a stem, and lines differ: this name is free.
  if (!*free) {
    stem += '~';
    stem += std::to_string(line);
  }
  const std::string name = stem + "." + extension_;
  if (::rename(part.c_str(), (dir_ / name).c_str()) != 0) {
    const int error = errno;
    ::unlink(part.c_str());
    return std::unexpected(failure(dir_ / name, error));
  }
  if (index_ == nullptr) return {};
  row.href = stem_href(stem) + "." + extension_;
  return add_row(audit_index_row(row));
}

std::expected<void, std::string> AuditFolder::write_failure(const AuditIndexRow& row) {
  if (index_ == nullptr) return {};
  return add_row(audit_index_row(row));
}

std::expected<void, std::string> AuditFolder::finish(const AuditIndexTotals& totals) {
  if (index_ != nullptr) {
    auto written = add_row(audit_index_tail(totals));
    if (!written) return written;
    std::FILE* index = std::exchange(index_, nullptr);
    int error = std::fflush(index) != 0 ? errno : 0;
    if (std::fclose(index) != 0 && error == 0) error = errno;
    const fs::path target = dir_ / "index.html";
    if (error == 0 && ::rename(index_part_.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
      ::unlink(index_part_.c_str());
      return std::unexpected(failure(target, error));
    }
  }
  // One flush of the whole file system rather than one per page: the pages
  // were each written whole, and are now also on disk.
  const int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
#ifdef __linux__
    ::syncfs(fd);
#else
    ::fsync(fd);
#endif
    ::close(fd);
  }
  discard();
  return {};
}

}  // namespace jrl::cli
