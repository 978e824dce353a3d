// Rewriting a file that was read: the new text replaces the old one whole or
// not at all, and never replaces text the file gained after it was read.
#pragma once

#include <sys/stat.h>

#include <expected>
#include <string>
#include <string_view>

#include "input_file.hpp"

namespace jrl::cli {

struct RewriteOptions {
  // A symbolic link the path names: followed to its file, or refused (a
  // file found by a directory walk).
  Links links = Links::follow;
  // A file with other hard links: refused, or rewritten in place so that
  // every name sees the new text.
  bool allow_hard_links = false;
};

// A regular file read to be rewritten, held open. Messages name it by the
// path it was given.
class FileToRewrite {
 public:
  // Reads `path`. Anything but a regular file (a FIFO, a device) is refused
  // before it is read, and a FIFO is never waited on.
  static std::expected<FileToRewrite, std::string> read(
      const std::string& path, RewriteOptions options);

  FileToRewrite(FileToRewrite&& other) noexcept;
  FileToRewrite& operator=(FileToRewrite&&) = delete;
  ~FileToRewrite();

  const std::string& content() const { return content_; }

  // Gives the file the text `text`: written to a new file beside it, with
  // its owner, permissions and extended attributes, and renamed over it; or,
  // for a file with other hard links when allowed, written in place. Refuses
  // (and changes nothing) when the user may not write the file, when it has
  // other hard links and they are not allowed, or when it is no longer the
  // file that was read (replaced, or written to since).
  std::expected<void, std::string> replace(std::string_view text) const;

 private:
  FileToRewrite(std::string path, std::string target, RewriteOptions options)
      : path_(std::move(path)), target_(std::move(target)), options_(options) {}

  std::expected<void, std::string> replace_by_rename(
      std::string_view text) const;
  std::expected<void, std::string> rewrite_in_place(
      std::string_view text) const;
  std::string failure(std::string_view reason) const;
  std::string failure(std::string_view step, int error_number) const;

  std::string path_;    // as given
  std::string target_;  // the file itself, a symbolic link followed
  RewriteOptions options_;
  int fd_ = -1;
  struct stat read_ {};  // the file when it was read
  std::string content_;
};

}  // namespace jrl::cli
