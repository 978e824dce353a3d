// The entry point: checks the input, runs the grammar and hands the tree to
// the builders.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "text/check_text.hpp"
#include "render/json_writer.hpp"
#include "jrl/model_rules.hpp"
#include "jrl/parse.hpp"
#include "parse_run.hpp"
#include "jrl/source_map.hpp"
#include "jrl/streaming.hpp"
#include "text/number_text.hpp"
#include "language/grammar.hpp"
#include "render/debug_text_writer.hpp"
#include "language/grammar_message.hpp"
#include "parser/model_builder.hpp"
#include "render/requirement_writer.hpp"
#include "text/utf8.hpp"

namespace jrl {
namespace {

// Builds each requirement as soon as the grammar has matched it, while its
// nodes are hot. After the first failure nothing more is built, but the run
// goes on: a syntax error anywhere wins over it. Without `keep`, each
// requirement is checked and dropped, which is all a check needs; with a
// writer, it is also written before it is dropped. With a source map, the
// spans of each requirement and of its selectors are recorded beside it.
class RequirementSink final : public NodeSink {
 public:
  RequirementSink(SourceMap* map, bool keep, RequirementWriter* writer,
                  NodeSink* statements)
      : keep_(keep),
        arena_(std::make_shared<ModelArena>()),
        map_(map),
        writer_(writer),
        statements_(statements) {}

  void take(NodeRef statement) override {
    if (error_) return;
    auto requirement = ModelBuilder::parse_requirement(statement, *arena_);
    if (!requirement) {
      error_ = std::move(requirement.error());
      drop_model();
      return;
    }
    if (writer_ != nullptr) writer_->requirement(*requirement);
    if (keep_) {
      file_.requirements.push_back(*requirement);
    } else {
      arena_->clear();
    }
    if (map_ != nullptr) record_spans(statement, *map_);
    if (statements_ != nullptr) statements_->take(statement);
  }
  void discard() override {
    if (statements_ != nullptr) statements_->discard();
    drop_model();
    error_.reset();
    if (map_ != nullptr) *map_ = SourceMap{};
  }

  std::expected<ParseResult, Error> result() && {
    if (error_) return std::unexpected(std::move(*error_));
    return ParseResult{std::move(file_), std::move(arena_)};
  }

 private:
  void drop_model() {
    file_ = JRLQueryFile{};
    arena_->clear();
  }

  bool keep_;
  std::shared_ptr<ModelArena> arena_;
  JRLQueryFile file_;
  std::optional<Error> error_;
  SourceMap* map_;
  RequirementWriter* writer_;
  NodeSink* statements_;  // each statement that built, while its nodes live
};

std::expected<ParseResult, Error> parse_into(
    std::string_view input, SourceMap* map, bool keep_model,
    RequirementWriter* writer = nullptr, NodeSink* statements = nullptr) {
  RequirementSink sink(map, keep_model, writer, statements);
  if (auto run = run_statements(input, sink); !run) {
    return std::unexpected(std::move(run.error()));
  }
  return std::move(sink).result();
}

}  // namespace

std::expected<void, Error> run_statements(std::string_view input,
                                          NodeSink& sink) {
  if (input.size() >= MAX_INPUT_SIZE) {
    return std::unexpected(
        Error::message("input larger than 4 GiB is not supported",
                       {Fault::input_too_large, {}, MAX_INPUT_SIZE - 1}));
  }
  if (std::optional<std::size_t> bad = utf8::first_invalid(input)) {
    return std::unexpected(Error::at_position(
        input, *bad, "input is not valid UTF-8", {Fault::invalid_utf8}));
  }
  auto tree = run_grammar(input, &sink);
  if (!tree) {
    const GrammarFailure& failure = tree.error();
    if (const auto* syntax = std::get_if<SyntaxError>(&failure)) {
      return std::unexpected(Error::at_position(
          input, syntax->position, grammar_message(*syntax), {Fault::syntax}));
    }
    const auto& deep = std::get<NestingTooDeep>(failure);
    return std::unexpected(Error::at_position(
        input, deep.position,
        model_rules::nesting_too_deep(),
        {Fault::nesting_too_deep, {}, MAX_NESTING_DEPTH}));
  }
  std::optional<NodeRef> root = tree->root();
  if (!root) {
    return std::unexpected(Error::message("File should have a child rule"));
  }
  if (root->rule() != Rule::file) {
    return std::unexpected(Error::internal("the tree should start at file"));
  }
  return {};
}

// The selector_single nodes of a statement stand in the same pre-order as
// the selectors built from them.
void record_spans(NodeRef statement, SourceMap& map) {
  map.requirements.push_back({statement.start(), statement.end()});
  const std::uint32_t stop = statement.subtree_end();
  for (std::uint32_t i = statement.index() + 1; i < stop; ++i) {
    const NodeRef node = statement.at(i);
    if (node.rule() == Rule::selector_single) {
      map.selectors.push_back({node.start(), node.end()});
    }
  }
}

std::expected<ParseResult, Error> parse(std::string_view input) {
  return parse_into(input, nullptr, true);
}

std::expected<ParseResult, Error> parse(std::string_view input,
                                        SourceMap& map) {
  map = SourceMap{};
  auto result = parse_into(input, &map, true);
  if (!result) map = SourceMap{};
  return result;
}

std::expected<void, Error> parse_and_stream(std::string_view input,
                                            Rendering rendering,
                                            const TextSink& sink) {
  // Only a text that parses is written: a failure anywhere, even in its
  // last statement, must leave the output empty.
  if (auto checked = check_text(input); !checked) {
    return std::unexpected(std::move(checked.error()));
  }
  const std::unique_ptr<RequirementWriter> writer =
      rendering == Rendering::debug
          ? streamed_debug_text(sink)
          : json::streamed_file(rendering == Rendering::json_pretty, sink);
  if (!parse_into(input, nullptr, false, writer.get())) {
    return std::unexpected(
        Error::internal("a checked text failed its second run"));
  }
  writer->finish();
  return {};
}

std::expected<void, Error> check_text(std::string_view input) {
  auto checked = parse_into(input, nullptr, false);
  if (!checked) return std::unexpected(std::move(checked.error()));
  return {};
}

std::expected<void, Error> check_text(std::string_view input,
                                      NodeSink& statements) {
  auto checked = parse_into(input, nullptr, false, nullptr, &statements);
  if (!checked) return std::unexpected(std::move(checked.error()));
  return {};
}

}  // namespace jrl
