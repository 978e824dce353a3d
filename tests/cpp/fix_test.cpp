// jrl::fix: the fixes of a file's errors applied to its text.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "corpus_texts.hpp"
#include "jrl/jrl.hpp"

namespace {

std::size_t errors_of(std::string_view text) {
  const auto diagnostics = jrl::check(text);
  return static_cast<std::size_t>(std::ranges::count(
      diagnostics, jrl::Severity::error, &jrl::Diagnostic::severity));
}

TEST(Fix, MendsTheCommonMistakes) {
  struct Row {
    std::string_view broken;
    std::string_view fixed;
    std::size_t fixes;
  };
  const Row rows[] = {
      // A lost ";" between statements; a byte-order mark and CRLF kept.
      {"\xEF\xBB\xBFSELECT 1 FROM CLASS(MATH 1200) : \"a\"\r\n"
       "SELECT 1 FROM CLASS(MATH 1210) : \"b\";\r\n",
       "\xEF\xBB\xBFSELECT 1 FROM CLASS(MATH 1200) : \"a\";\r\n"
       "SELECT 1 FROM CLASS(MATH 1210) : \"b\";\r\n",
       1},
      // Mistakes in two statements, fixed in one go.
      {"SELCT 1 FROM CLASS(MATH 1200) : \"a\";\n"
       "SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210) : \"b\";\n",
       "SELECT 1 FROM CLASS(MATH 1200) : \"a\";\n"
       "SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : \"b\";\n",
       2},
      // A fault the report names itself, and a department in small letters.
      {"SELECT 1 FROM CLASS(ECOM 1200) : \"a\";\n"
       "SELECT 1 FROM CLASS(math 1200) : \"b\";\n",
       "SELECT 1 FROM CLASS(ECON 1200) : \"a\";\n"
       "SELECT 1 FROM CLASS(MATH 1200) : \"b\";\n",
       2},
      // Nothing to fix: a good file, and a fault with no fix.
      {"SELECT 1 FROM CLASS(MATH 1200) : \"a\";", "", 0},
      {"SELECT 0 FROM CLASS(MATH 1200) : \"a\";", "", 0},
  };
  for (const Row& row : rows) {
    const jrl::FixResult result = jrl::fix(row.broken);
    const std::string_view expected = row.fixes ? row.fixed : row.broken;
    EXPECT_EQ(result.text, expected) << row.broken;
    EXPECT_EQ(result.fixes, row.fixes) << row.broken;
  }
}

// On every file kept, and on each with a character taken out at a few
// places: fixing is idempotent, leaves a file without errors byte for byte,
// and never leaves more errors than it found.
TEST(Fix, NeverMakesAFileWorse) {
  std::size_t broken = 0;
  for (const auto& [name, text] : jrl_test::corpus_texts()) {
    if (text.size() > 4096) continue;
    for (std::size_t cut : {std::string::npos, text.size() / 3,
                            text.size() / 2, text.size() * 3 / 4}) {
      std::string input = text;
      if (cut < input.size()) input.erase(cut, 1);
      const std::size_t before = errors_of(input);
      const jrl::FixResult once = jrl::fix(input);
      if (before == 0) {
        EXPECT_EQ(once.text, input) << name;
        continue;
      }
      ++broken;
      EXPECT_LE(errors_of(once.text), before) << name << " cut " << cut;
      EXPECT_EQ(jrl::fix(once.text).text, once.text) << name << " cut " << cut;
    }
  }
  EXPECT_GT(broken, 100u);
}

}  // namespace
