// Comparing two versions of a programme: one table of (old, new) texts and
// what the comparison reports, one kind of change a row, with a small
// catalogue for the courses a change brings in or leaves out.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "diff/selector_text.hpp"
#include "jrl/jrl.hpp"

namespace {

constexpr std::string_view CATALOGUE = R"({"courses": [
  {"course": "CSCI 1100", "title": "Programming I"},
  {"course": "CSCI 2500", "title": "Computer Organization"},
  {"course": "CSCI 2600", "title": "Software Design"},
  {"course": "MATH 1200", "title": "Calculus I"},
  {"course": "PHIL 2300", "title": "Ethics"}
]})";

// The pieces one after the other (GCC 12 warns wrongly of overlap on
// `"literal" + string`).
template <typename... Pieces>
std::string cat(const Pieces&... pieces) {
  std::string out;
  (out.append(std::string_view(pieces)), ...);
  return out;
}

std::string codes(const std::optional<jrl::CourseList>& courses) {
  std::string out;
  for (const jrl::CatalogueCourse* c : courses.value_or(jrl::CourseList{})) {
    out += cat(out.empty() ? "" : ",", c->code);
  }
  return out;
}

std::string listed(std::string_view mark, const jrl::ListedStatement& s) {
  return cat(mark, std::to_string(s.index), s.courses ? " " : "", codes(s.courses));
}

// The comparison in one line: "-old", "+new" and "~old>new" entries, each
// change as `kind:old>new` behind the nested statements it lies in.
std::string summary(const jrl::ProgrammeDiff& d) {
  std::vector<std::string> entries;
  for (const auto& s : d.removed) entries.push_back(listed("-", s));
  for (const auto& s : d.added) entries.push_back(listed("+", s));
  for (const auto& s : d.changed) {
    std::string text = cat("~", std::to_string(s.old_index), ">", std::to_string(s.new_index));
    if (s.moved) text += " moved";
    for (const auto& c : s.changes) {
      text += ' ';
      for (const auto& level : c.within) text += cat("{", level, "}");
      text += cat(jrl::change_name(c.kind), ":", c.old_value.value_or(""), ">",
                  c.new_value.value_or(""));
    }
    if (s.courses_now) text += cat(" now=", codes(s.courses_now), " gone=", codes(s.courses_no_longer));
    entries.push_back(std::move(text));
  }
  std::string out;
  for (const std::string& e : entries) out += cat(out.empty() ? "" : " | ", e);
  return out;
}

jrl::ProgrammeDiff compare(std::string_view a, std::string_view b, const jrl::Catalogue* cat) {
  const auto old_file = jrl::parse(a);
  const auto new_file = jrl::parse(b);
  EXPECT_TRUE(old_file && new_file) << a << "\n" << b;
  if (!old_file || !new_file) return {};
  return jrl::diff_programmes({"a", old_file->parsed_jrl_file.requirements, {}},
                              {"b", new_file->parsed_jrl_file.requirements, {}}, cat);
}

TEST(ProgrammeDiff, ReportsEachKindOfChange) {
  const auto cat = jrl::Catalogue::parse(CATALOGUE, "c.json");
  ASSERT_TRUE(cat) << cat.error().message();
  struct Row {
    std::string old_text;
    std::string new_text;
    std::string expected;
    bool catalogue = false;
  };
  const std::string A = "SELECT 1 FROM CLASS(MATH 1200) : \"Calculus\";\n";
  const std::string B = "SELECT 5 FROM RANGE(CSCI 1000, CSCI 4999) : \"Core courses\";\n";
  const std::string C = "LIMIT 2 FROM RANGE(CSCI 1000, CSCI 1999) : \"Cap\";\n";
  const std::string abc = A + B + C;
  const Row rows[] = {
      // Layout, comments, case of a function name and order in a list are
      // no change.
      {"SELECT 2 FROM [CLASS(MATH 1200), TAG(\"WX Proof\")] : \"Calculus\";",
       "// now\nSELECT 2 FROM [\n  tag(\"WX Proof\"),\n  CLASS(MATH1200)\n]\n  : \"Calculus\" : 1;", ""},
      {abc, abc + "SELECT 1 FROM CLASS(PHIL 2300) : \"Ethics\";", "+3"},
      {abc, A + C, "-1"},
      {A, "SELECT 1-2 FROM CLASS(MATH 1200) : \"Calculus\";", "~0>0 quantity:1>1-2"},
      {A, "SELECT 1 FROM CLASS(MATH 1200) : \"Calculus\" : 30;", "~0>0 priority:1>30"},
      {A, "LIMIT 1 FROM CLASS(MATH 1200) : \"Calculus\";", "~0>0 type:SELECT>LIMIT"},
      // A reworded description is matched by similarity, wherever it went.
      {abc, C + A + "SELECT 5 FROM RANGE(CSCI 1000, CSCI 4999) : \"Core course\";",
       "~2>0 moved | ~1>2 description:Core courses>Core course"},
      // Two close candidates: neither is taken, and the place decides
      // nothing when the counts differ.
      {"SELECT 1 FROM TAG(\"x\") : \"Elective\";",
       "SELECT 1 FROM TAG(\"y\") : \"Electives I\";\nSELECT 1 FROM TAG(\"z\") : \"Electives II\";",
       "-0 | +0 | +1"},
      // An unrelated description at the same place is the same statement
      // reworded.
      {abc, A + "SELECT 5 FROM RANGE(CSCI 1000, CSCI 4999) : \"Major\";" + C,
       "~1>1 description:Core courses>Major"},
      // Of statements with one description, the equal ones pair first.
      {"SELECT 1 FROM TAG(\"x\") : \"E\";\nSELECT 1 FROM TAG(\"y\") : \"E\";",
       "SELECT 1 FROM TAG(\"y\") : \"E\";", "-0"},
      {abc, C + A + B, "~2>0 moved"},
      {"SELECT 2 FROM [CLASS(CSCI 1100), CLASS(MATH 1200)] : \"Core\";",
       "SELECT 2 FROM [CLASS(MATH 1200), CLASS(CSCI 2500), CLASS(CSCI 2600)] : \"Core\";",
       "~0>0 selector_removed:CLASS(CSCI 1100)> selector_added:>CLASS(CSCI 2500) "
       "selector_added:>CLASS(CSCI 2600) now=CSCI 2500,CSCI 2600 gone=CSCI 1100",
       true},
      {"SELECT 1 FROM [CLASS(MATH 1200), SELECT 2 FROM [CLASS(CSCI 1100), CLASS(CSCI 2500)]] : \"N\";",
       "SELECT 1 FROM [SELECT 1 FROM [CLASS(CSCI 1100), CLASS(CSCI 2600)], CLASS(MATH 1200)] : \"N\";",
       "~0>0 {SELECT 2 FROM [CLASS(CSCI 1100), CLASS(CSCI 2500)]}quantity:2>1 "
       "{SELECT 2 FROM [CLASS(CSCI 1100), CLASS(CSCI 2500)]}selector_removed:CLASS(CSCI 2500)> "
       "{SELECT 2 FROM [CLASS(CSCI 1100), CLASS(CSCI 2500)]}selector_added:>CLASS(CSCI 2600) "
       "now=CSCI 2600 gone=CSCI 2500",
       true},
      {"SELECT 1 FROM [CLASS(MATH 1200), SELECT 0-1 FROM TAG(\"x\")] : \"N\";",
       "SELECT 1 FROM CLASS(MATH 1200) : \"N\";", "~0>0 selector_removed:SELECT 0-1 FROM TAG(\"x\")>"},
      {C, "LIMIT 3 FROM [RANGE(CSCI 1000, CSCI 1999), CLASS(PHIL 2300)] : \"Cap\";",
       "~0>0 quantity:2>3 selector_added:>CLASS(PHIL 2300) now=PHIL 2300 gone=", true},
      {A, "", "-0 MATH 1200", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(summary(compare(row.old_text, row.new_text, row.catalogue ? &*cat : nullptr)),
              row.expected)
        << row.old_text << "\n---\n" << row.new_text;
  }
}

// Canonical text reads back as the statement it was written from, for
// every statement of the shipped programmes and a few written to be hard.
TEST(ProgrammeDiff, CanonicalTextReadsBackAsTheSameQuery) {
  std::vector<std::string> texts = {
      "SELECT 2-3 FROM [CLASS(MATH 0100), CLASS(PHYS 1100L), RANGE_TAG(MATH 3000, MATH 4999, "
      "\"WX \"\"Proof\"\"\"), SELECT 0-1 FROM [DIST_DEPT(\"a\", \"b\")]] : \"d\";",
      "LIMIT 1 FROM SELECT 2 FROM PLACEMENT(\"MATHCALC2\") : \"d\";"};
  for (const auto& entry : std::filesystem::directory_iterator(JRL_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".jrl") continue;
    std::ifstream in(entry.path());
    texts.push_back(std::string(std::istreambuf_iterator<char>(in), {}));
  }
  for (const std::string& text : texts) {
    const auto parsed = jrl::parse(text);
    ASSERT_TRUE(parsed) << text;
    for (const jrl::JRLRequirement& r : parsed->parsed_jrl_file.requirements) {
      const std::string written = cat(jrl::diffing::query_text(r.query), " : \"d\";");
      const auto again = jrl::parse(written);
      ASSERT_TRUE(again) << written;
      EXPECT_EQ(again->parsed_jrl_file.requirements.front().query, r.query) << written;
    }
  }
}

}  // namespace
