// Writing to the standard streams.
#pragma once

#include <cstdio>
#include <string_view>

namespace jrl::cli {

inline void write_out(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace jrl::cli
