#include "atomic_write.hpp"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace jrl::cli {
namespace {

namespace fs = std::filesystem;

// The temporary file's name: short, so that beside a file whose name takes
// all of NAME_MAX there is still room for it.
constexpr std::string_view TEMPORARY_NAME = ".jrl-fmt-XXXXXX";

constexpr std::string_view CHANGED =
    "it changed while it was being formatted and is left as it is (run jrl "
    "fmt again)";

// Whether `now` is still the file `then` was: the same file, of the same
// size, not written to nor changed in any other way since.
bool unchanged(const struct stat& then, const struct stat& now) {
  return then.st_dev == now.st_dev && then.st_ino == now.st_ino &&
         then.st_size == now.st_size &&
         then.st_mtim.tv_sec == now.st_mtim.tv_sec &&
         then.st_mtim.tv_nsec == now.st_mtim.tv_nsec &&
         then.st_ctim.tv_sec == now.st_ctim.tv_sec &&
         then.st_ctim.tv_nsec == now.st_ctim.tv_nsec;
}

// A failed step: what was being done, and the system's error number.
struct StepFailure {
  std::string step;
  int error_number;
};

std::expected<void, StepFailure> write_all(int fd, std::string_view text,
                                           std::string_view step) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::pwrite(fd, text.data() + written, text.size() - written,
                               static_cast<off_t>(written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(StepFailure{std::string(step), errno});
    }
    written += static_cast<std::size_t>(n);
  }
  return {};
}

// A value the system hands out by size: asked for its size, then read, again
// if it grew in between. `read(buffer, size)` is the system call.
template <class Read>
std::expected<std::string, int> read_sized(Read read) {
  for (;;) {
    const ssize_t size = read(nullptr, 0);
    if (size < 0) return std::unexpected(errno);
    std::string out(static_cast<std::size_t>(size), '\0');
    const ssize_t got = read(out.data(), out.size());
    if (got >= 0) {
      out.resize(static_cast<std::size_t>(got));
      return out;
    }
    if (errno != ERANGE) return std::unexpected(errno);
  }
}

std::expected<std::string, int> attribute(int fd, const char* name) {
  return read_sized([&](char* buffer, std::size_t size) {
    return ::fgetxattr(fd, name, buffer, size);
  });
}

// Gives `to` every extended attribute of `from` (access control lists and
// security labels among them). One the new file already has with the same
// value, such as a label the system gave it, is left alone.
std::expected<void, StepFailure> copy_attributes(int from, int to) {
  const auto names = read_sized([&](char* buffer, std::size_t size) {
    return ::flistxattr(from, buffer, size);
  });
  if (!names) {
    if (names.error() == ENOTSUP) return {};
    return std::unexpected(
        StepFailure{"listing its extended attributes", names.error()});
  }
  for (std::size_t at = 0; at < names->size();) {
    const char* name = names->data() + at;
    at += std::strlen(name) + 1;
    const auto value = attribute(from, name);
    if (!value) {
      if (value.error() == ENODATA) continue;  // removed meanwhile
      return std::unexpected(
          StepFailure{"reading its extended attribute " + std::string(name),
                      value.error()});
    }
    if (attribute(to, name) == *value) continue;
    if (::fsetxattr(to, name, value->data(), value->size(), 0) != 0) {
      return std::unexpected(StepFailure{
          "copying its extended attribute " + std::string(name), errno});
    }
  }
  return {};
}

// A temporary file, removed unless kept.
struct TemporaryFile {
  std::string name;
  int fd = -1;

  ~TemporaryFile() {
    if (fd >= 0) ::close(fd);
    if (!name.empty()) ::unlink(name.c_str());
  }
};

std::string directory_of(const std::string& path) {
  const std::string directory = fs::path(path).parent_path().string();
  return directory.empty() ? std::string(".") : directory;
}

// Makes a rename in `directory` last through a crash, where the system
// allows; a failure here loses nothing the rename did not already do.
void sync_directory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::expected<FileToRewrite, std::string> FileToRewrite::read(
    const std::string& path, RewriteOptions options) {
  const auto cannot_read = [&](const std::string& reason) {
    return std::unexpected("cannot read " + path + ": " + reason);
  };
  const auto not_regular = [&] {
    return std::unexpected("cannot format " + path + ": not a regular file");
  };
  std::string target = path;
  struct stat info {};
  if (options.links == Links::follow && ::lstat(path.c_str(), &info) == 0 &&
      S_ISLNK(info.st_mode)) {
    std::error_code ec;
    target = fs::canonical(path, ec).string();
    if (ec) return cannot_read(ec.message());
  }
  // Judged before opening, so that no device is opened, and again on what
  // was opened. A FIFO opened without waiting is never read.
  if (::lstat(target.c_str(), &info) != 0) {
    return cannot_read(std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return not_regular();
  FileToRewrite file(path, std::move(target), options);
  file.fd_ = ::open(file.target_.c_str(),
                    O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (file.fd_ < 0) return cannot_read(std::strerror(errno));
  if (::fstat(file.fd_, &file.read_) != 0) {
    return cannot_read(std::strerror(errno));
  }
  if (!S_ISREG(file.read_.st_mode)) return not_regular();
  ::fcntl(file.fd_, F_SETFL, ::fcntl(file.fd_, F_GETFL) & ~O_NONBLOCK);
  auto content = read_open_file(file.fd_, path);
  if (!content) return std::unexpected(std::move(content.error()));
  file.content_ = std::move(*content);
  return file;
}

FileToRewrite::FileToRewrite(FileToRewrite&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      options_(other.options_),
      fd_(std::exchange(other.fd_, -1)),
      read_(other.read_),
      content_(std::move(other.content_)) {}

FileToRewrite::~FileToRewrite() {
  if (fd_ >= 0) ::close(fd_);
}

std::string FileToRewrite::failure(std::string_view reason) const {
  return "cannot write " + path_ + ": " + std::string(reason);
}

std::string FileToRewrite::failure(std::string_view step,
                                   int error_number) const {
  return failure(std::string(step) + ": " + std::strerror(error_number));
}

std::expected<void, std::string> FileToRewrite::replace(
    std::string_view text) const {
  // Past the file size limit a write fails with EFBIG, and the temporary
  // file is removed, instead of the signal ending jrl with it left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  if (read_.st_nlink > 1 && !options_.allow_hard_links) {
    return std::unexpected(failure(
        "it has " + std::to_string(read_.st_nlink) +
        " hard links, and the other names would keep the old text "
        "(--allow-hardlinks rewrites it in place)"));
  }
  // As the shell refuses `>>` to a file the user may not write, whatever
  // the directory allows.
  if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
    return std::unexpected(failure(std::strerror(errno)));
  }
  return read_.st_nlink > 1 ? rewrite_in_place(text) : replace_by_rename(text);
}

std::expected<void, std::string> FileToRewrite::replace_by_rename(
    std::string_view text) const {
  const std::string directory = directory_of(target_);
  TemporaryFile temporary{directory + "/" + std::string(TEMPORARY_NAME)};
  temporary.fd = ::mkostemp(temporary.name.data(), O_CLOEXEC);
  if (temporary.fd < 0) {
    const int error_number = errno;
    temporary.name.clear();
    return std::unexpected(failure(
        "creating a temporary file in " + directory, error_number));
  }
  auto step = write_all(temporary.fd, text, "writing the temporary file");
  // Another owner's file keeps its owner when we may give it; when we may
  // not, the new file is ours, as any editor's save would make it. The mode
  // comes after, as a change of owner may clear set-id bits.
  if (::fchown(temporary.fd, read_.st_uid, read_.st_gid) != 0) {
    ::fchown(temporary.fd, static_cast<uid_t>(-1), read_.st_gid);
  }
  if (step && ::fchmod(temporary.fd, read_.st_mode & 07777) != 0) {
    step = std::unexpected(StepFailure{"copying its permissions", errno});
  }
  if (step) step = copy_attributes(fd_, temporary.fd);
  if (step && ::fsync(temporary.fd) != 0) {
    step = std::unexpected(StepFailure{"syncing the temporary file", errno});
  }
  if (step && ::close(std::exchange(temporary.fd, -1)) != 0) {
    step = std::unexpected(StepFailure{"closing the temporary file", errno});
  }
  if (!step) {
    return std::unexpected(
        failure(step.error().step, step.error().error_number));
  }
  struct stat now {};
  if (::lstat(target_.c_str(), &now) != 0 || !unchanged(read_, now)) {
    return std::unexpected(failure(CHANGED));
  }
  if (::rename(temporary.name.c_str(), target_.c_str()) != 0) {
    return std::unexpected(
        failure("renaming the temporary file over it", errno));
  }
  temporary.name.clear();
  sync_directory(directory);
  return {};
}

std::expected<void, std::string> FileToRewrite::rewrite_in_place(
    std::string_view text) const {
  const int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY |
                                             O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::unexpected(failure("opening it to write", errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat now {};
  if (::fstat(fd, &now) != 0 || !unchanged(read_, now)) {
    return std::unexpected(failure(CHANGED));
  }
  // Room for the whole text first, so that a full disk stops the rewrite
  // before any of the old text is overwritten.
  if (!text.empty()) {
    const int error_number =
        ::posix_fallocate(fd, 0, static_cast<off_t>(text.size()));
    if (error_number != 0 && error_number != EOPNOTSUPP &&
        error_number != EINVAL) {
      return std::unexpected(
          failure("making room for the new text", error_number));
    }
  }
  auto step = write_all(fd, text, "writing it in place");
  if (step && ::ftruncate(fd, static_cast<off_t>(text.size())) != 0) {
    step = std::unexpected(StepFailure{"truncating it", errno});
  }
  if (step && ::fsync(fd) != 0) {
    step = std::unexpected(StepFailure{"syncing it", errno});
  }
  if (!step) {
    return std::unexpected(
        failure(step.error().step, step.error().error_number));
  }
  return {};
}

}  // namespace jrl::cli
