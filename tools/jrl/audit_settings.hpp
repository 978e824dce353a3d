// The audit's settings as the command line gives them.
#pragma once

#include <chrono>

#include "jrl/audit.hpp"
#include "options.hpp"

namespace jrl::cli {

// --include and --time-limit (0: the library's default).
inline AuditOptions audit_settings(const Options& options) {
  AuditOptions settings;
  settings.completed = options.include_completed;
  settings.in_progress = options.include_in_progress;
  settings.planned = options.include_planned;
  if (options.time_limit_ms > 0) {
    settings.time_limit = std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(options.time_limit_ms));
  }
  return settings;
}

}  // namespace jrl::cli
