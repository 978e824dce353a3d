#include "diagnostics/statement_sink.hpp"

#include <algorithm>
#include <span>
#include <utility>

#include "diagnostics/codes.hpp"
#include "diagnostics/tokens.hpp"
#include "parse_run.hpp"
#include "parser/model_builder.hpp"

namespace jrl::diagnostics {
namespace {

bool overflows_u16(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits.size() > 5 || (digits.size() == 5 && digits > "65535");
}

// Where the error of `statement` (a `special_statement`), which has no
// report, lies: a priority too large, the first number that does not fit,
// or else the whole statement.
ByteSpan place_of(NodeRef statement, const Error& error) {
  // The priority is read first, so its overflow is the one reported.
  if (code_of(error) == "JRL024") {
    if (const auto priority = statement.child(2)) {
      return {priority->start(), priority->end()};
    }
  }
  if (const auto query = statement.child(0)) {
    for (std::uint32_t i = query->index(); i < query->subtree_end(); ++i) {
      const NodeRef node = query->at(i);
      if (node.rule() == Rule::quantity_single && overflows_u16(node.text())) {
        return {node.start(), node.end()};
      }
    }
  }
  return {statement.start(), statement.end()};
}

}  // namespace

NodeRef StatementSink::alone(NodeRef statement) {
  const std::size_t start = statement.start();
  const std::uint32_t first = statement.index();
  alone_.input = statement.input().substr(start, statement.end() - start);
  alone_.nodes.clear();
  for (std::uint32_t i = first; i < statement.subtree_end(); ++i) {
    const NodeRef node = statement.at(i);
    alone_.nodes.push_back({static_cast<std::uint32_t>(node.start() - start),
                            static_cast<std::uint32_t>(node.end() - start),
                            node.subtree_end() - first, node.rule()});
  }
  return NodeRef(alone_, 0);
}

void StatementSink::take(NodeRef statement) {
  if (statement.rule() != Rule::special_statement) return;
  Reading& r = reading_;
  ReadStatement read;
  // The ";" follows after blanks.
  const std::size_t semicolon = after_blanks(statement.input(), statement.end());
  read.span = {origin_ + statement.start(), origin_ + semicolon + 1};
  if (r.failed >= settings_.built_until) {
    read.skipped = true;
    r.statements.push_back(read);
    return;
  }

  // After a failure, each statement is built alone: a report of its error
  // then reads the statement, not the text before it.
  const std::size_t error_origin =
      failed_here_ ? origin_ + statement.start() : origin_;
  auto requirement = ModelBuilder::parse_requirement(
      failed_here_ ? alone(statement) : statement, *r.arena);
  if (requirement) {
    const bool warn = settings_.warnings != nullptr && r.failed == 0;
    const std::size_t first_selector = r.map.selectors.size();
    const std::size_t first_requirement = r.map.requirements.size();
    if (settings_.keep_models || warn) {
      record_spans(statement, r.map);
      const auto shift = [&](std::vector<ByteSpan>& spans, std::size_t from) {
        for (std::size_t i = from; i < spans.size(); ++i) {
          spans[i].start += origin_;
          spans[i].end += origin_;
        }
      };
      shift(r.map.requirements, first_requirement);
      shift(r.map.selectors, first_selector);
    }
    if (warn) {
      settings_.warnings->read(
          *requirement, text_, r.map.requirements.back(),
          std::span(r.map.selectors).subspan(first_selector));
    }
    if (settings_.keep_models) {
      read.requirement = r.models.requirements.size();
      r.models.requirements.push_back(*requirement);
    } else {
      r.map.selectors.resize(first_selector);
      r.map.requirements.resize(first_requirement);
      r.arena->clear();
    }
  } else {
    failed_here_ = true;
    read.failed = true;
    ++r.failed;
    if (r.failures.size() < settings_.kept_failures) {
      std::optional<ByteSpan> place;
      if (requirement.error().innermost().report() == nullptr) {
        const ByteSpan at = place_of(statement, requirement.error());
        place = ByteSpan{origin_ + at.start, origin_ + at.end};
      }
      read.failure = r.failures.size();
      r.failures.push_back({std::move(requirement.error()), error_origin, place});
    }
    if (!settings_.keep_models) r.arena->clear();
  }
  r.statements.push_back(read);
}

std::optional<Failure> read_alone(std::string_view text, const Segment& segment,
                                  Reading& reading,
                                  StatementSink::Settings settings) {
  const std::size_t failed = reading.failed;
  const std::size_t models = reading.models.requirements.size();
  const std::size_t requirements = reading.map.requirements.size();
  const std::size_t selectors = reading.map.selectors.size();
  const std::size_t statements = reading.statements.size();
  const std::size_t failures = reading.failures.size();
  StatementSink sink(text, segment.start, reading, settings);
  auto run = run_statements(
      text.substr(segment.start, segment.end - segment.start), sink);
  if (!run) {
    reading.models.requirements.resize(models);
    reading.map.requirements.resize(requirements);
    reading.map.selectors.resize(selectors);
    reading.statements.resize(statements);
    reading.failures.erase(reading.failures.begin() +
                               static_cast<std::ptrdiff_t>(failures),
                           reading.failures.end());
    reading.failed = failed;
    return Failure{std::move(run.error()), segment.start, {}};
  }
  for (std::size_t i = statements; i < reading.statements.size(); ++i) {
    const ReadStatement& read = reading.statements[i];
    if (!read.failed) continue;
    if (read.failure) return reading.failures[*read.failure];
    return Failure{Error::internal("a failure that was not kept"),
                   segment.start, {}};
  }
  return std::nullopt;
}

}  // namespace jrl::diagnostics
