// Reading one input file, or standard input for "-".
#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace jrl::cli {

// The name a file is shown by in messages: "<stdin>" for "-".
std::string display_name(std::string_view path);

// `content` without the UTF-8 byte-order mark it may start with.
std::string_view without_bom(std::string_view content);

// How the last part of a path that is a symbolic link is read.
enum class Links { follow, refuse };

// The whole content of `path`. A failure is the one-line message naming the
// file and the operating system's reason.
std::expected<std::string, std::string> read_input(
    std::string_view path, Links links = Links::follow);

// The whole content of the open file `fd`, read from where it stands; `path`
// names it in a failure.
std::expected<std::string, std::string> read_open_file(int fd,
                                                       std::string_view path);

}  // namespace jrl::cli
