// Error values: making, wrapping and moving error chains.
#include <string>
#include <string_view>
#include <utility>

#include "jrl/error.hpp"

namespace jrl {

Error Error::from_report(std::expected<ReportError, Error> report,
                         FaultDetail detail) {
  if (!report) return Error::internal(report.error().text());
  std::string text = report->message_;
  return Error(ErrorFrame(ErrorKind::report, std::move(text),
                          std::move(detail), std::move(*report)));
}

Error Error::at_position(std::string_view input, std::size_t position,
                         std::string message, FaultDetail detail) {
  return from_report(
      ReportError::at_position(input, position, std::move(message)),
      std::move(detail));
}

Error Error::over_span(std::string_view input, std::size_t start,
                       std::size_t end, std::string message,
                       FaultDetail detail) {
  return from_report(
      ReportError::over_span(input, start, end, std::move(message)),
      std::move(detail));
}

Error Error::moved_by(std::size_t offset, std::size_t lines) const {
  Error out(*this);
  for (ErrorFrame& frame : out.frames_) {
    if (!frame.report_) continue;
    ReportError& report = *frame.report_;
    report.start_ += offset;
    if (report.end_) *report.end_ += offset;
    report.start_line_col_.line += lines;
    if (report.end_line_col_) report.end_line_col_->line += lines;
  }
  return out;
}

Error Error::message(std::string text, FaultDetail detail) {
  return Error(
      ErrorFrame(ErrorKind::message, std::move(text), std::move(detail)));
}

Error Error::conversion(std::string text, FaultDetail detail) {
  return Error(
      ErrorFrame(ErrorKind::conversion, std::move(text), std::move(detail)));
}

Error Error::wrap(std::string context, Error cause) {
  if (cause.is_internal()) return cause;
  cause.frames_.push_back(
      ErrorFrame(ErrorKind::context, std::move(context), FaultDetail{}));
  return cause;
}

Error Error::internal(std::string text) {
  return Error(ErrorFrame(ErrorKind::internal, std::move(text),
                          FaultDetail{Fault::internal}));
}

}  // namespace jrl
