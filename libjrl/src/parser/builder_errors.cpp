#include "parser/builder_errors.hpp"

#include <utility>

namespace jrl::builder {

[[gnu::noinline]] Error internal_fault(std::string_view expected, Rule got) {
  std::string text("internal error: entered unreachable code: ");
  text += expected;
  text += ", got ";
  text += rule_name(got);
  return Error::internal(std::move(text));
}

[[gnu::noinline]] Error report_over(NodeRef node, std::string message,
                                   FaultDetail detail) {
  return Error::over_span(node.input(), node.start(), node.end(),
                          std::move(message), std::move(detail));
}

[[gnu::noinline]] Error plain_message(const char* text) {
  return Error::message(text);
}

[[gnu::noinline]] void add_context(const char* context,
                                   std::optional<Error>& failure) {
  failure = Error::wrap(context, std::move(*failure));
}

}  // namespace jrl::builder
