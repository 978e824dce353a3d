// The entry point: checks the input, runs the grammar and hands the tree to
// the builders.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "check_text.hpp"
#include "jrl/parse.hpp"
#include "number_text.hpp"
#include "parser/grammar.hpp"
#include "parser/grammar_message.hpp"
#include "parser/jrl_parser.hpp"
#include "utf8.hpp"

namespace jrl {
namespace {

// Node offsets are 32-bit, so every offset, the end included, must fit.
constexpr std::uint64_t MAX_INPUT_SIZE = std::uint64_t{1} << 32;

// Builds each requirement as soon as the grammar has matched it, while its
// nodes are hot. After the first failure nothing more is built, but the run
// goes on: a syntax error anywhere wins over it. Without `keep`, each
// requirement is checked and dropped, which is all a check needs.
class RequirementSink final : public NodeSink {
 public:
  explicit RequirementSink(bool keep) : keep_(keep) {}

  void take(NodeRef statement) override {
    if (error_) return;
    auto requirement = JRLParser::parse_requirement(statement);
    if (!requirement) {
      error_ = std::move(requirement.error());
      file_ = JRLQueryFile{};
      return;
    }
    if (keep_) file_.requirements.push_back(std::move(*requirement));
  }
  void discard() override {
    file_ = JRLQueryFile{};
    error_.reset();
  }

  std::expected<ParseResult, Error> result() && {
    if (error_) return std::unexpected(std::move(*error_));
    return ParseResult{std::move(file_)};
  }

 private:
  bool keep_;
  JRLQueryFile file_;
  std::optional<Error> error_;
};

std::expected<ParseResult, Error> run_parse(std::string_view input,
                                            bool keep_model) {
  if (input.size() >= MAX_INPUT_SIZE) {
    return std::unexpected(
        Error::message("input larger than 4 GiB is not supported"));
  }
  if (std::optional<std::size_t> bad = utf8::first_invalid(input)) {
    return std::unexpected(Error::at_position(input, *bad, "input is not valid UTF-8"));
  }

  RequirementSink sink(keep_model);
  auto tree = run_grammar(input, &sink);
  if (!tree) {
    const GrammarFailure& failure = tree.error();
    if (const auto* syntax = std::get_if<SyntaxError>(&failure)) {
      return std::unexpected(
          Error::at_position(input, syntax->position, grammar_message(*syntax)));
    }
    const auto& deep = std::get<NestingTooDeep>(failure);
    return std::unexpected(Error::at_position(input, deep.position,
                                     "queries nested deeper than " +
                                         number_text::decimal(MAX_NESTING_DEPTH) +
                                         " levels are not supported"));
  }

  std::optional<NodeRef> root = tree->root();
  if (!root) {
    return std::unexpected(Error::message("File should have a child rule"));
  }
  if (root->rule() != Rule::file) {
    return std::unexpected(Error::internal("the tree should start at file"));
  }
  return std::move(sink).result();
}

}  // namespace

std::expected<ParseResult, Error> parse(std::string_view input) {
  return run_parse(input, true);
}

std::expected<void, Error> check_text(std::string_view input) {
  auto checked = run_parse(input, false);
  if (!checked) return std::unexpected(std::move(checked.error()));
  return {};
}

}  // namespace jrl
