// Writing to the standard streams.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace jrl::cli {

inline void write_out(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// "1 file", "3 files": a count in a message.
inline std::string counted(std::size_t n, std::string_view what) {
  return std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
}

}  // namespace jrl::cli
