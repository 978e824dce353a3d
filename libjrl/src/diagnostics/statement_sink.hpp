// Reading each top-level statement as the grammar hands it over: its model,
// where it and its selectors stand, and, when it does not build, why.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "diagnostics/tokens.hpp"
#include "diagnostics/warnings.hpp"
#include "jrl/error.hpp"
#include "jrl/model.hpp"
#include "jrl/model_arena.hpp"
#include "jrl/position.hpp"
#include "jrl/source_map.hpp"
#include "parser/parse_tree.hpp"

namespace jrl::diagnostics {

// A statement that matched the grammar but did not build.
struct Failure {
  Error error;
  // Where the offsets of the error's reports count from in the text.
  std::size_t origin = 0;
  // Where an error without a report lies: the number that does not fit, or
  // else the whole statement.
  std::optional<ByteSpan> place;
};

// One statement the grammar matched.
struct ReadStatement {
  // From its first token through its ";".
  ByteSpan span;
  // Its index among the models, when it built and they are kept.
  std::optional<std::size_t> requirement;
  bool failed = false;
  // Placed but not built (see StatementSink::Settings::built_until).
  bool skipped = false;
  // Its index among the failures, when its error is kept.
  std::optional<std::size_t> failure;
};

// What the runs over one text have read, offsets counted in that text.
struct Reading {
  std::shared_ptr<ModelArena> arena = std::make_shared<ModelArena>();
  JRLQueryFile models;
  SourceMap map;
  std::vector<ReadStatement> statements;
  std::vector<Failure> failures;
  std::size_t failed = 0;  // statements that did not build, kept or not
};

class StatementSink final : public NodeSink {
 public:
  struct Settings {
    // Keep each model and its spans; else each is dropped once read.
    bool keep_models = false;
    // Look for warnings in each statement while every one so far builds.
    WarningFinder* warnings = nullptr;
    // Keep the errors of this many failures of the reading at most.
    std::size_t kept_failures = std::numeric_limits<std::size_t>::max();
    // Once this many statements of the reading have failed, the ones after
    // are only placed, not built: nothing past them will be reported.
    std::size_t built_until = std::numeric_limits<std::size_t>::max();
  };

  // The run reads `text` from byte `origin` on and adds to `reading`.
  StatementSink(std::string_view text, std::size_t origin, Reading& reading,
                Settings settings)
      : text_(text), origin_(origin), reading_(reading), settings_(settings) {}

  void take(NodeRef statement) override;
  // What was taken before the run failed stands: those statements matched.
  void discard() override {}

 private:
  // `statement` in a tree of its own over its own text, so that a report
  // of its error reads no more of the text than the statement.
  NodeRef alone(NodeRef statement);

  std::string_view text_;
  std::size_t origin_;
  Reading& reading_;
  Settings settings_;
  bool failed_here_ = false;
  ParseTree alone_;
};

// Runs the grammar over the statement at `segment` of `text` on its own,
// adding what it reads to `reading`. Its fault, if it has one: the text's
// refusal or syntax error (nothing it read is then kept), or the failure of
// its statement.
std::optional<Failure> read_alone(std::string_view text, const Segment& segment,
                                  Reading& reading,
                                  StatementSink::Settings settings);

}  // namespace jrl::diagnostics
