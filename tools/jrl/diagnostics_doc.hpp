// docs/diagnostics.md, embedded at build time for `jrl explain`.
#pragma once

#include <string_view>

namespace jrl::cli {

std::string_view diagnostics_document();

}  // namespace jrl::cli
