// The formats of `jrl check --format`: the option's values, its usage text
// and the reporters are all read from this table.
#include <array>

#include "reporter.hpp"

namespace jrl::cli {
namespace {

constexpr std::array FORMATS{
    ReportFormat{"text", "reports with fixes on standard error (default)",
                 text_reporter},
    ReportFormat{"short", "FILE:LINE:COL: error[CODE]: MESSAGE lines",
                 [](TextStyle) { return short_reporter(); }},
    ReportFormat{"json", "one JSON object per diagnostic and line",
                 [](TextStyle) { return json_reporter(); }},
    ReportFormat{"github", "GitHub Actions workflow annotations",
                 [](TextStyle) { return github_reporter(); }},
    ReportFormat{"sarif", "one SARIF 2.1.0 log",
                 [](TextStyle) { return sarif_reporter(); }},
};

}  // namespace

std::span<const ReportFormat> report_formats() { return FORMATS; }

}  // namespace jrl::cli
