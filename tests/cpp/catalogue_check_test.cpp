// Checking a file against a catalogue: which query can never be filled,
// by the counting of courses, placements, groups and caps, as a table of
// files over one small catalogue; and where the warnings stand.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "jrl/catalogue_check.hpp"
#include "jrl/jrl.hpp"

namespace {

constexpr std::string_view SMALL = R"({
  "courses": [
    {"course": "MATH 1200", "tags": ["WX Proof"]},
    {"course": "MATH 3000", "tags": ["WX Proof"]},
    {"course": "MATH 3000L"},
    {"course": "MATH 3999"},
    {"course": "PHYS 1100"}
  ],
  "placements": ["MATHCALC2"],
  "programme_codes": ["CSCI-BS"]
})";

// Each warning as CODE@COLUMN, in order.
std::string warnings(std::string_view text, const jrl::Catalogue& cat) {
  std::string out;
  for (const jrl::Diagnostic& d : jrl::check(text, cat)) {
    out += (out.empty() ? "" : " ") + d.code + "@" + std::to_string(d.start.column);
  }
  return out;
}

TEST(CatalogueCheck, QueriesThatCanNeverBeMet) {
  const auto cat = jrl::Catalogue::parse(SMALL, "small.json");
  ASSERT_TRUE(cat) << cat.error().message();
  struct Row {
    std::string_view file;
    std::string_view expected;
  };
  const Row rows[] = {
      // Distinct courses count once, whichever entries select them.
      {R"(SELECT 3 FROM [RANGE(MATH 1000, MATH 3999), TAG("WX Proof")] : "a";)", ""},
      {R"(SELECT 5 FROM [RANGE(MATH 1000, MATH 3999), TAG("WX Proof")] : "a";)", "JRL216@8"},
      // A placement is one item; a group that can be complete is one.
      {R"(SELECT 3 FROM [PLACEMENT("MATHCALC2"), CLASS(PHYS 1100),
          SELECT 2 FROM [CLASS(MATH 3000), CLASS(MATH 3999)]] : "a";)",
       ""},
      // A group that cannot be complete is told, not its parent again.
      {R"(SELECT 1 FROM [CLASS(PHYS 1100), SELECT 4 FROM RANGE(MATH 3000, MATH 3999)] : "a";)",
       "JRL216@41"},
      // A cap gives at most its k, and an item it matches counts only there.
      {R"(SELECT 3 FROM [CLASS(PHYS 1100), SELECT 0-1 FROM RANGE(MATH 3000, MATH 3999)] : "a";)",
       "JRL216@8"},
      {R"(SELECT 2 FROM [RANGE(MATH 3000, MATH 3999), SELECT 0-1 FROM CLASS(MATH 3000)] : "a";)", ""},
      {R"(SELECT 2 FROM [RANGE(MATH 3000, MATH 3000), SELECT 0-1 FROM RANGE(MATH 3000, MATH 3999)] : "a";)",
       "JRL216@8"},
      // Unknown names and empty selections are the mistakes told.
      {R"(SELECT 2 FROM [TAG("WX Prof"), RANGE(PHYS 2000, PHYS 2999)] : "a";)",
       "JRL210@20 JRL215@32"},
      // A LIMIT asks for nothing.
      {R"(LIMIT 4 FROM RANGE(MATH 1000, MATH 3999) : "a";)", ""},
      // A file with an error gets none of them.
      {R"(SELECT 1 FROM TAG("nope") : "a"; SELECT 0 FROM TAG("x") : "b";)", "JRL020@41"},
  };
  for (const Row& row : rows) EXPECT_EQ(warnings(row.file, *cat), row.expected) << row.file;
}

TEST(CatalogueCheck, OffsetsCountAByteOrderMarkAndFixesEditTheName) {
  const auto cat = jrl::Catalogue::parse(SMALL, "small.json");
  ASSERT_TRUE(cat) << cat.error().message();
  const std::string text = "\xEF\xBB\xBFSELECT 1 FROM TAG(\"WX Prof\") : \"a\";";
  const auto found = jrl::check(text, *cat);
  ASSERT_EQ(found.size(), 1u);
  const jrl::Diagnostic& d = found[0];
  EXPECT_EQ(text.substr(d.offset, d.end_offset - d.offset), "\"WX Prof\"");
  EXPECT_EQ(d.start.column, 19u);
  ASSERT_EQ(d.suggestions.size(), 1u);
  const jrl::TextEdit& edit = d.suggestions[0].edits.at(0);
  EXPECT_EQ(edit.offset, d.offset);
  EXPECT_EQ(edit.replacement, "\"WX Proof\"");
  EXPECT_EQ(edit.start, d.start);
}

}  // namespace
