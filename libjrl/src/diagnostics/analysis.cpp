// analyse(): the diagnostics, statements and models of a file in one reading.
#include "jrl/analysis.hpp"

#include <memory>
#include <utility>
#include <vector>

#include "diagnostics/tokens.hpp"

namespace jrl {
namespace {

// The arenas of the statements parsed one by one, kept alive together
// behind one handle.
struct Arenas {
  std::vector<std::shared_ptr<const ModelArena>> kept;
  ModelArena none;
};

}  // namespace

Analysis analyse(std::string_view text, const CheckOptions& options) {
  Analysis out;
  out.diagnostics = check(text, options);
  const std::size_t base = byte_order_mark_length(text);
  const std::string_view body = text.substr(base);
  const LineIndex lines(text);
  auto arenas = std::make_shared<Arenas>();
  for (const ByteSpan chunk : statement_spans(body)) {
    const std::string_view piece = body.substr(chunk.start, chunk.end - chunk.start);
    const std::vector<diagnostics::Token> tokens = diagnostics::tokenize(piece);
    if (tokens.empty()) continue;
    AnalysedStatement statement;
    statement.chunk = {base + chunk.start, base + chunk.end};
    statement.span = {statement.chunk.start + tokens.front().start,
                      statement.chunk.start + tokens.back().end};
    statement.place = {lines.at(statement.span.start),
                       lines.at(statement.span.end)};
    SourceMap map;
    auto parsed = parse(piece, map);
    if (parsed && parsed->parsed_jrl_file.requirements.size() == 1) {
      statement.requirement = out.parsed.parsed_jrl_file.requirements.size();
      out.parsed.parsed_jrl_file.requirements.push_back(
          parsed->parsed_jrl_file.requirements.front());
      arenas->kept.push_back(parsed->storage);
      const std::size_t shift = statement.chunk.start;
      for (ByteSpan s : map.requirements) {
        out.source_map.requirements.push_back({s.start + shift, s.end + shift});
      }
      for (ByteSpan s : map.selectors) {
        out.source_map.selectors.push_back({s.start + shift, s.end + shift});
      }
    }
    out.statements.push_back(statement);
  }
  out.parsed.storage = std::shared_ptr<const ModelArena>(arenas, &arenas->none);
  return out;
}

}  // namespace jrl
