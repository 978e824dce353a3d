// analyse() and check(): one reading of a file, its diagnostics, statements,
// models and source map.
//
// One run of the grammar goes over the whole text, each statement built as
// it comes. Where the run stops at a syntax error, the statements after the
// one that holds it are read one by one; the statements the run delivered
// are not read again.
#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "diagnostics/codes.hpp"
#include "diagnostics/diagnostic_list.hpp"
#include "diagnostics/fixes.hpp"
#include "diagnostics/reading.hpp"
#include "diagnostics/statement_sink.hpp"
#include "diagnostics/tokens.hpp"
#include "diagnostics/warnings.hpp"
#include "jrl/analysis.hpp"
#include "parse_run.hpp"

namespace jrl {
namespace diagnostics {
namespace {

// An error of a statement other than the first, to report: the segment it
// lies in, and the statement's own bytes there.
struct Found {
  std::size_t segment;
  Error error;
  std::optional<ByteSpan> place;
  Segment at;
};

class Reader {
 public:
  Reader(std::string_view text, const CheckOptions& options, bool whole,
         GrammarRuns* runs)
      : base_(byte_order_mark_length(text)),
        body_(text.substr(base_)),
        lines_(body_),
        options_(options),
        whole_(whole),
        runs_(runs),
        cap_(std::max<std::size_t>(options.max_diagnostics, 1)),
        list_(body_, lines_, options_) {}

  Analysis run() && {
    WarningFinder warnings(options_.max_diagnostics);
    StatementSink::Settings settings{whole_,
                                     options_.warnings ? &warnings : nullptr,
                                     cap_ + 1};
    // A check reports no statement past the first cap + 1 that fail.
    if (!whole_) settings.built_until = cap_ + 1;
    StatementSink sink(body_, 0, reading_, settings);
    count(body_.size());
    auto run = run_statements(body_, sink);
    delivered_ = reading_.statements.size();
    requirements_.resize(delivered_);
    for (std::size_t i = 0; i < delivered_; ++i) {
      requirements_[i] = reading_.statements[i].requirement;
      const std::size_t start = i == 0 ? 0 : segments_.back().end;
      segments_.push_back({start, reading_.statements[i].span.end});
    }

    // A syntax error anywhere wins over a statement that does not build.
    std::optional<Error> first;
    std::optional<ByteSpan> first_place;
    if (!run) {
      first = std::move(run.error());
    } else if (reading_.failed > 0) {
      first = reading_.failures.front().error;
      first_place = reading_.failures.front().place;
    }
    if (!first) {
      if (options_.warnings) list_.add_warnings(std::move(warnings).take());
      return finish();
    }
    if (unreadable(*first)) {
      list_.add_error(*first, Segment{0, 0});
      // Bytes that are not text leave the statements around them readable.
      if (whole_ && code_of(*first) == "JRL001") {
        segments_ = split_statements(body_);
        requirements_.assign(segments_.size(), std::nullopt);
        for (std::size_t i = 0; i < segments_.size(); ++i) outcome(i);
      }
      return finish();
    }
    add_rest_of_segments();
    report(*first, first_place);
    return finish();
  }

 private:
  void count(std::size_t bytes) {
    if (runs_ == nullptr) return;
    ++runs_->runs;
    runs_->bytes += bytes;
  }

  // The text after the statements the run delivered, cut as
  // `split_statements` cuts the whole text: each of those ends at a ";"
  // where it would cut.
  void add_rest_of_segments() {
    const std::size_t rest = segments_.empty() ? 0 : segments_.back().end;
    if (rest == body_.size() && !segments_.empty()) return;
    for (const Segment& s : split_statements(body_.substr(rest))) {
      segments_.push_back({rest + s.start, rest + s.end});
    }
    requirements_.resize(segments_.size());
  }

  // The first error, then one for each other statement that fails, up to
  // the cap.
  void report(const Error& first, std::optional<ByteSpan> first_place) {
    const std::optional<std::size_t> place = position_of(first);
    std::optional<std::size_t> first_segment;
    if (place) first_segment = segment_holding(segments_, *place);
    std::vector<Found> others;
    // The faults of the statements after a ";" that the first error's
    // repair puts in, in its segment.
    std::vector<Found> resumed;
    if (first_segment) {
      if (const std::optional<TextEdit> repair = list_.add_error(
              first, segments_[*first_segment], first_place)) {
        resume_after(*first_segment, *repair, resumed);
      }
    }
    const bool first_added = first_segment.has_value();
    for (std::size_t i = 0; i < segments_.size(); ++i) {
      if (first_segment && i == *first_segment) {
        std::ranges::move(resumed, std::back_inserter(others));
        continue;
      }
      // Past the cap the rest need not be reported, only read for their
      // models.
      const bool reported = !first_segment || others.size() + 1 < cap_;
      if (!reported && !whole_) break;
      std::optional<Failure> failure = outcome(i, reported);
      if (!failure) continue;
      if (!first_segment) {
        // The first error has no place: it is the first failing statement's.
        first_segment = i;
        continue;
      }
      if (!reported) continue;
      others.push_back({i, relocate(failure->error, body_, failure->origin, lines_),
                        failure->place, segments_[i]});
    }
    if (!first_added) {
      const Segment first_at =
          first_segment ? segments_[*first_segment] : Segment{0, body_.size()};
      list_.add_error(first, first_at, first_place);
    }
    for (const Found& found : others) {
      if (list_.size() >= cap_) break;
      list_.add_error(found.error, found.at, found.place);
    }
  }

  // The statements after the place where `repair`, the fix of segment
  // `i`'s error, ends a requirement: read on their own from the repaired
  // text, their faults placed in the text as it is.
  void resume_after(std::size_t i, const TextEdit& repair,
                    std::vector<Found>& out) {
    const Segment& s = segments_[i];
    TextEdit edit = repair;
    edit.offset -= s.start;
    edit.end_offset -= s.start;
    const std::string edited =
        applied(body_.substr(s.start, s.end - s.start), {edit});
    const std::size_t after = edit.offset + edit.replacement.size();
    // A byte of `edited` past the edit, in `body_`.
    auto in_body = [&](std::size_t pos) {
      return s.start + pos - edit.replacement.size() +
             (edit.end_offset - edit.offset);
    };
    Reading apart;
    for (const Segment& piece : split_statements(edited)) {
      if (piece.start < after) continue;
      count(piece.end - piece.start);
      std::optional<Failure> failure =
          read_alone(edited, piece, apart,
                     {false, nullptr, std::numeric_limits<std::size_t>::max()});
      if (!failure) continue;
      std::optional<ByteSpan> place;
      if (failure->place) {
        place = ByteSpan{in_body(failure->place->start),
                         in_body(failure->place->end)};
      }
      out.push_back({i,
                     relocate(failure->error, body_, in_body(failure->origin),
                              lines_),
                     place,
                     {in_body(piece.start), in_body(piece.end)}});
    }
  }

  // The fault of segment `i`, read by the whole run or now on its own; its
  // error kept only when it is to be `reported`.
  std::optional<Failure> outcome(std::size_t i, bool reported = false) {
    if (i < delivered_) {
      const ReadStatement& read = reading_.statements[i];
      if (!read.failed || read.skipped) return std::nullopt;
      if (read.failure) return reading_.failures[*read.failure];
      return Failure{Error::internal("a failure that was not kept"), 0, {}};
    }
    const Segment& s = segments_[i];
    const std::size_t before = reading_.statements.size();
    count(s.end - s.start);
    std::optional<Failure> failure =
        read_alone(body_, s, reading_,
                   {whole_, nullptr,
                    reported ? std::numeric_limits<std::size_t>::max() : 0});
    if (!failure && reading_.statements.size() > before) {
      requirements_[i] = reading_.statements[before].requirement;
    }
    return failure;
  }

  Analysis finish() {
    Analysis out;
    out.diagnostics = std::move(list_).take(base_);
    if (!whole_) return out;
    std::vector<AnalysedStatement> statements;
    std::vector<ByteSpan> spans;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
      const Segment& s = segments_[i];
      ByteSpan span;
      if (i < delivered_) {
        span = reading_.statements[i].span;
      } else if (const auto tokens =
                     token_span(body_.substr(s.start, s.end - s.start))) {
        span = {s.start + tokens->first, s.start + tokens->second};
      } else {
        continue;
      }
      AnalysedStatement statement;
      statement.chunk = {base_ + s.start, base_ + s.end};
      statement.span = {base_ + span.start, base_ + span.end};
      statement.requirement = requirements_[i];
      statements.push_back(statement);
      spans.push_back(span);
    }
    const std::vector<SourceSpan> places = locate(body_, spans);
    for (std::size_t i = 0; i < statements.size(); ++i) {
      statements[i].place = places[i];
    }
    out.statements = std::move(statements);
    for (auto* list : {&reading_.map.requirements, &reading_.map.selectors}) {
      for (ByteSpan& span : *list) {
        span.start += base_;
        span.end += base_;
      }
    }
    out.source_map = std::move(reading_.map);
    out.parsed = ParseResult{std::move(reading_.models), reading_.arena};
    return out;
  }

  std::size_t base_;
  std::string_view body_;
  LineIndex lines_;
  const CheckOptions& options_;
  bool whole_;
  GrammarRuns* runs_;
  std::size_t cap_;
  DiagnosticList list_;
  Reading reading_;
  // The statements the whole run delivered, then the rest of the text cut
  // into statements; the index of each one's model, when it built.
  std::vector<Segment> segments_;
  std::vector<std::optional<std::size_t>> requirements_;
  std::size_t delivered_ = 0;
};

}  // namespace

Analysis read(std::string_view text, const CheckOptions& options, bool whole,
              GrammarRuns* runs) {
  return Reader(text, options, whole, runs).run();
}

}  // namespace diagnostics

Analysis analyse(std::string_view text, const CheckOptions& options) {
  return diagnostics::read(text, options, true);
}

std::vector<Diagnostic> check(std::string_view text,
                              const CheckOptions& options) {
  return diagnostics::read(text, options, false).diagnostics;
}

}  // namespace jrl
