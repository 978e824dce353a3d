// jrl::analyse: the statements, models and source map of a file, checked
// against what parsing each piece on its own gives; and that reading a file
// runs the grammar over each statement once at most.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "corpus_texts.hpp"
#include "diagnostics/reading.hpp"
#include "diagnostics/tokens.hpp"
#include "jrl/jrl.hpp"

namespace {

jrl::ByteSpan moved(jrl::ByteSpan span, std::size_t by) {
  return {span.start + by, span.end + by};
}

// Every file of the corpora, against facts found without the analysis:
// parse of the file, parse of each statement on its own, the splitter and
// the line index.
TEST(Analyse, AgreesWithParsingEachPiece) {
  std::size_t statements_seen = 0;
  std::size_t built_seen = 0;
  for (const auto& [name, text] : jrl_test::corpus_texts()) {
    const jrl::Analysis a = jrl::analyse(text);
    const std::size_t base = jrl::byte_order_mark_length(text);
    const std::string_view body = std::string_view(text).substr(base);
    const jrl::LineIndex lines(text);

    // The analysis's diagnostics are check's, the first one parse's error.
    const auto checked = jrl::check(text);
    ASSERT_EQ(a.diagnostics.size(), checked.size()) << name;
    for (std::size_t i = 0; i < checked.size(); ++i) {
      EXPECT_EQ(a.diagnostics[i].report, checked[i].report) << name;
      EXPECT_EQ(a.diagnostics[i].suggestions, checked[i].suggestions) << name;
      EXPECT_EQ(a.diagnostics[i].offset, checked[i].offset) << name;
    }
    jrl::SourceMap whole_map;
    const auto whole = jrl::parse(body, whole_map);
    if (whole) {
      EXPECT_TRUE(a.parsed == *whole) << name;
      ASSERT_EQ(a.source_map.requirements.size(), whole_map.requirements.size());
      ASSERT_EQ(a.source_map.selectors.size(), whole_map.selectors.size());
      for (std::size_t i = 0; i < whole_map.requirements.size(); ++i) {
        EXPECT_EQ(a.source_map.requirements[i],
                  moved(whole_map.requirements[i], base)) << name;
      }
      for (std::size_t i = 0; i < whole_map.selectors.size(); ++i) {
        EXPECT_EQ(a.source_map.selectors[i], moved(whole_map.selectors[i], base))
            << name;
      }
    } else {
      ASSERT_FALSE(a.diagnostics.empty()) << name;
      EXPECT_TRUE(a.diagnostics.front().error == whole.error()) << name;
    }

    // One statement for each piece the splitter cuts that holds a token;
    // a model exactly where that piece parses on its own, the same one, and
    // the source map the pieces' maps laid end to end.
    std::vector<jrl::AnalysedStatement> expected;
    jrl::SourceMap pieces_map;
    std::size_t built = 0;
    for (const jrl::ByteSpan chunk : jrl::statement_spans(body)) {
      const std::string_view piece = body.substr(chunk.start, chunk.end - chunk.start);
      const auto tokens = jrl::diagnostics::token_span(piece);
      if (!tokens) continue;
      jrl::AnalysedStatement s;
      s.chunk = moved(chunk, base);
      s.span = {s.chunk.start + tokens->first, s.chunk.start + tokens->second};
      s.place = {lines.at(s.span.start), lines.at(s.span.end)};
      jrl::SourceMap map;
      const auto alone = jrl::parse(piece, map);
      if (alone && a.parsed.parsed_jrl_file.requirements.size() > built) {
        EXPECT_EQ(a.parsed.parsed_jrl_file.requirements[built],
                  alone->parsed_jrl_file.requirements.at(0)) << name;
      }
      if (alone) {
        s.requirement = built++;
        for (jrl::ByteSpan r : map.requirements) {
          pieces_map.requirements.push_back(moved(r, s.chunk.start));
        }
        for (jrl::ByteSpan r : map.selectors) {
          pieces_map.selectors.push_back(moved(r, s.chunk.start));
        }
      }
      expected.push_back(s);
    }
    EXPECT_EQ(a.statements, expected) << name;
    EXPECT_EQ(a.parsed.parsed_jrl_file.requirements.size(), built) << name;
    EXPECT_EQ(a.source_map, pieces_map) << name;
    statements_seen += expected.size();
    built_seen += built;
  }
  // The corpora hold statements that build and statements that do not.
  EXPECT_GT(built_seen, 100u);
  EXPECT_GT(statements_seen, built_seen + 50);
}

// Two requirements run together by a missing ";": once the ";" is put in,
// the second is read from the mended text in one more run, and its own
// fault is reported beside the first.
TEST(Analyse, ReadsOnAfterAMissingSemicolon) {
  const std::string first = "SELECT 1 FROM CLASS(MATH 1200) : \"a\"";
  const std::string second = "\nSELECT 1 FROM CLAS(MATH 1210) : \"b\";";
  const std::string last = "\nSELECT 1 FROM CLASS(MATH 1220) : \"c\";";
  const std::string text = first + second + last;
  for (const bool whole : {true, false}) {
    jrl::diagnostics::GrammarRuns runs;
    const auto a = jrl::diagnostics::read(text, {}, whole, &runs);
    EXPECT_EQ(runs.runs, 3u);
    EXPECT_EQ(runs.bytes, text.size() + second.size() + last.size());
    ASSERT_EQ(a.diagnostics.size(), 2u);
    EXPECT_EQ(a.diagnostics[0].offset, first.size());
    EXPECT_EQ(a.diagnostics[1].code, "JRL031");
    EXPECT_EQ(text.substr(a.diagnostics[1].offset, 4), "CLAS");
  }
}

// The grammar runs once over the whole text; only after a syntax error are
// the statements past the one that holds it read again, each on its own.
TEST(Analyse, RunsTheGrammarOverEachStatementOnce) {
  struct Case {
    std::vector<std::string_view> pieces;  // each a chunk, through its ";"
    std::size_t runs;
    std::size_t pieces_read_again;  // the last ones
  };
  const std::string_view good = "SELECT 1 FROM CLASS(MATH 1200) : \"a\";";
  const std::string_view nested =
      "\nSELECT 1 FROM [TAG(\"x\"), SELECT 1 FROM TAG(\"x\")] : \"b\";";
  const std::string_view unbuilt = "\nSELECT 1 FROM CLASS(MATX 1200) : \"c\";";
  const std::string_view too_large = "\nSELECT 70000 FROM TAG(\"x\") : \"d\";";
  const std::string_view syntax = "\nSELECT 1 FORM TAG(\"x\") : \"e\";";
  const Case cases[] = {
      {{good, nested, nested}, 1, 0},
      {{good, unbuilt, nested, too_large, unbuilt}, 1, 0},
      {{good, nested, syntax}, 1, 0},
      {{syntax, good, unbuilt, nested}, 4, 3},
      {{good, syntax, nested, syntax, unbuilt}, 4, 3},
      {{good, unbuilt, syntax, too_large}, 2, 1},
  };
  for (const Case& c : cases) {
    std::string text;
    for (std::string_view piece : c.pieces) text += piece;
    std::size_t again = 0;
    for (std::size_t i = c.pieces.size() - c.pieces_read_again; i < c.pieces.size(); ++i) {
      again += c.pieces[i].size();
    }
    for (const bool whole : {true, false}) {
      jrl::diagnostics::GrammarRuns runs;
      const auto a = jrl::diagnostics::read(text, {}, whole, &runs);
      EXPECT_EQ(runs.runs, c.runs) << text;
      EXPECT_EQ(runs.bytes, text.size() + again) << text;
      if (whole) {
        EXPECT_EQ(a.statements.size(), c.pieces.size()) << text;
      }
    }
  }
}

}  // namespace
