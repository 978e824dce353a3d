// Error values and the rendering of an error chain.
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "jrl/error.hpp"
#include "number_text.hpp"

namespace jrl {

Error Error::from_report(std::expected<ReportError, Error> report) {
  if (!report) return Error::internal(report.error().text());
  Error error(ErrorKind::report, report->message);
  error.report_ = std::make_unique<ReportError>(std::move(*report));
  return error;
}

Error Error::at_position(std::string_view input, std::size_t position,
                         std::string message) {
  return from_report(
      ReportError::at_position(input, position, std::move(message)));
}

Error Error::over_span(std::string_view input, std::size_t start,
                       std::size_t end, std::string message) {
  return from_report(
      ReportError::over_span(input, start, end, std::move(message)));
}

const Error& Error::innermost() const noexcept {
  const Error* last = this;
  while (last->cause_) last = last->cause_.get();
  return *last;
}

Error Error::moved_by(std::size_t offset, std::size_t lines) const {
  Error out(*this);
  for (Error* link = &out; link != nullptr; link = link->cause_.get()) {
    ReportError* report = link->report_.get();
    if (report == nullptr) continue;
    report->start += offset;
    if (report->end) *report->end += offset;
    report->start_line_col.line += lines;
    if (report->end_line_col) report->end_line_col->line += lines;
  }
  return out;
}

Error Error::message(std::string text) {
  return Error(ErrorKind::message, std::move(text));
}

Error Error::conversion(std::string text) {
  return Error(ErrorKind::conversion, std::move(text));
}

Error Error::wrap(std::string context, Error cause) {
  if (cause.is_internal()) return cause;
  Error error(ErrorKind::context, std::move(context));
  error.cause_ = std::make_unique<Error>(std::move(cause));
  return error;
}

Error Error::internal(std::string text) {
  return Error(ErrorKind::internal, std::move(text));
}

// Chains are as deep as the input nests, so copying, comparing and freeing
// walk them in a loop instead of recursing.
Error::Error(const Error& other) : kind_(other.kind_), text_(other.text_) {
  if (other.report_) report_ = std::make_unique<ReportError>(*other.report_);
  Error* into = this;
  for (const Error* from = other.cause_.get(); from != nullptr;
       from = from->cause_.get()) {
    into->cause_.reset(new Error(from->kind_, from->text_));
    into = into->cause_.get();
    if (from->report_) {
      into->report_ = std::make_unique<ReportError>(*from->report_);
    }
  }
}

Error& Error::operator=(const Error& other) {
  if (this != &other) {
    Error copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Error::~Error() {
  std::unique_ptr<Error> next = std::move(cause_);
  while (next) next = std::move(next->cause_);
}

bool operator==(const Error& a, const Error& b) {
  const Error* x = &a;
  const Error* y = &b;
  for (; x != nullptr && y != nullptr;
       x = x->cause_.get(), y = y->cause_.get()) {
    if (x->kind_ != y->kind_ || x->text_ != y->text_) return false;
    if ((x->report_ == nullptr) != (y->report_ == nullptr)) return false;
    if (x->report_ && !(*x->report_ == *y->report_)) return false;
  }
  return x == y;
}

std::string Error::own_text(std::string_view path) const {
  if (report_) return report_->render(path);
  return text_;
}

namespace {

// `    0: ` for the first of numbered causes.
std::string cause_number(std::size_t index) {
  const std::string digits = number_text::decimal(index);
  std::string out(digits.size() < 5 ? 5 - digits.size() : 0, ' ');
  out += digits;
  out += ": ";
  return out;
}

}  // namespace

std::string Error::render(std::string_view path) const {
  std::string out = own_text(path);
  const Error* first = cause();
  if (first == nullptr) return out;

  out += "\n\nCaused by:";
  // Numbers only help once there is more than one cause to tell apart.
  const bool numbered = first->cause() != nullptr;
  const std::string_view indent = numbered ? "       " : "    ";
  std::size_t index = 0;
  for (const Error* link = first; link != nullptr;
       link = link->cause(), ++index) {
    out += '\n';
    if (numbered) {
      out += cause_number(index);
    } else {
      out += indent;
    }
    // Every line of a multi-line cause stays under its first line.
    for (char c : link->own_text(path)) {
      out += c;
      if (c == '\n') out += indent;
    }
  }
  return out;
}

}  // namespace jrl
