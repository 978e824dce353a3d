// The commands of `jrl`. Each returns the process exit status: 0 when every
// file is good, 1 when any failed to parse, 2 when any could not be read.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "options.hpp"

namespace jrl::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

int run_check(const Options& options);
// `json` and `debug`: the parsed file on standard output.
int run_print(const Options& options);
// `explain`: the documentation of each code named.
int run_explain(const Options& options);
// `fmt`, with the arguments after its name; it reads its own options.
int run_fmt(std::span<const std::string_view> args);
std::string fmt_usage_text();

}  // namespace jrl::cli
