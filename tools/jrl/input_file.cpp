#include "input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "jrl/parse.hpp"
#include "jrl/position.hpp"

namespace jrl::cli {
namespace {

constexpr std::string_view TOO_LARGE =
    "input larger than 4 GiB is not supported";
constexpr std::size_t CHUNK = std::size_t{1} << 16;

std::string failure(std::string_view path, std::string_view reason) {
  return "cannot read " + display_name(path) + ": " + std::string(reason);
}

std::string failure(std::string_view path, int error_number) {
  return failure(path, std::strerror(error_number));
}

// Reads `fd` to its end in chunks, growing the text by doubling but never
// past the size limit, so that an endless stream (/dev/zero) stops with an
// error once the limit is reached rather than when memory runs out.
// `expected` is the size a regular file reported, to allocate once: with a
// chunk of room beyond it, so that the read which finds the end needs no
// growth (a doubling there would hold twice the file at its end).
std::expected<std::string, std::string> read_all(int fd, std::string_view path,
                                                 std::size_t expected) {
  constexpr std::size_t limit = MAX_INPUT_SIZE;
  std::string content;
  try {
    content.reserve(std::min(expected + CHUNK, limit));
    while (true) {
      if (content.size() >= limit) {
        return std::unexpected(failure(path, TOO_LARGE));
      }
      if (content.capacity() - content.size() < CHUNK) {
        const std::size_t doubled = std::max(content.capacity() * 2, CHUNK);
        content.reserve(std::min(doubled, limit));
      }
      const std::size_t room =
          std::min(CHUNK, content.capacity() - content.size());
      const std::size_t old_size = content.size();
      content.resize(old_size + room);
      const ssize_t got = ::read(fd, content.data() + old_size, room);
      if (got < 0) {
        const int error_number = errno;
        content.resize(old_size);
        if (error_number == EINTR) continue;
        return std::unexpected(failure(path, error_number));
      }
      content.resize(old_size + static_cast<std::size_t>(got));
      if (got == 0) return content;
    }
  } catch (const std::bad_alloc&) {
    return std::unexpected(failure(path, "out of memory"));
  }
}

}  // namespace

std::string_view without_bom(std::string_view content) {
  return content.substr(byte_order_mark_length(content));
}

std::string display_name(std::string_view path) {
  return path == "-" ? std::string("<stdin>") : std::string(path);
}

std::expected<std::string, std::string> read_input(std::string_view path,
                                                   Links links) {
  if (path == "-") return read_open_file(STDIN_FILENO, path);
  const std::string name(path);
  const int flags =
      O_RDONLY | O_CLOEXEC | (links == Links::refuse ? O_NOFOLLOW : 0);
  const int fd = ::open(name.c_str(), flags);
  if (fd < 0) return std::unexpected(failure(path, errno));
  auto content = read_open_file(fd, path);
  ::close(fd);
  return content;
}

std::expected<std::string, std::string> read_open_file(int fd,
                                                       std::string_view path) {
  // A regular file is judged by its size before any of it is read.
  std::size_t expected = 0;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    if (static_cast<std::uint64_t>(info.st_size) >= MAX_INPUT_SIZE) {
      return std::unexpected(failure(path, TOO_LARGE));
    }
    expected = static_cast<std::size_t>(info.st_size);
  }
  return read_all(fd, path, expected);
}

}  // namespace jrl::cli
