// The text of one failed file, as `jrl` prints it on standard error.
#pragma once

#include <string>
#include <string_view>

#include "jrl/error.hpp"

namespace jrl::cli {

// "error: could not parse FILE", then the error chain with FILE in each
// report header. Ends with a line feed.
std::string failure_report(std::string_view file, const Error& error,
                           bool colour);

}  // namespace jrl::cli
