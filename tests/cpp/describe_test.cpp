// A programme in plain words: each construct's sentence as a table of
// statements and the words expected, then the layout of each rendering.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "jrl/jrl.hpp"
#include "jrl/describe.hpp"

namespace {

constexpr std::string_view CATALOGUE = R"({"courses": [
  {"course": "MATH 1200", "title": "Calculus I"},
  {"course": "MATH 1210", "title": "Calculus II"},
  {"course": "PHYS 1100L", "title": "Physics I <Lab> & more"}]})";

jrl::ParseResult parsed(std::string_view text) {
  auto result = jrl::parse(text);
  EXPECT_TRUE(result.has_value()) << text;
  return result ? *result : jrl::ParseResult{};
}

TEST(Describe, EachConstructInWords) {
  const auto catalogue = jrl::Catalogue::parse(CATALOGUE, "test");
  ASSERT_TRUE(catalogue.has_value());
  struct Case {
    std::string_view statement;
    std::string_view words;
  };
  const Case cases[] = {
      {R"(SELECT 2 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "d";)",
       "Take two of: MATH 1200 Calculus I, MATH 1210 Calculus II."},
      // A course the catalogue lacks keeps its code alone; a lab its L.
      {R"(SELECT 1 FROM [CLASS(MATH 1300), CLASS(PHYS 1100L)] : "d";)",
       "Take one of: MATH 1300 or PHYS 1100L Physics I <Lab> & more."},
      {R"(SELECT 1 FROM CLASS(MATH 1210) : "d";)", "Take MATH 1210 Calculus II."},
      {R"(SELECT 5 FROM [RANGE(CSCI 4000, CSCI 4999), SELECT 0-1 FROM RANGE(MATH 4000, MATH 4999)] : "d";)",
       "Take five courses from CSCI 4000-4999, of which at most one from MATH 4000-4999."},
      {R"(SELECT 1 FROM [CLASS(MATH 1200), SELECT 2 FROM [CLASS(MATH 1100), CLASS(MATH 1110)], PLACEMENT("MATHCALC2")] : "d";)",
       "Take one of: MATH 1200 Calculus I, (both of: MATH 1100, MATH 1110), or the placement MATHCALC2."},
      {R"(SELECT 1 FROM PLACEMENT("LANG-INTERMEDIATE") : "d";)",
       "Hold the placement LANG-INTERMEDIATE."},
      {R"(SELECT 1 FROM TAG("WX Capstone") : "d";)", "Take one course tagged WX Capstone."},
      {R"(SELECT 2-4 FROM DIST_DEPT("WX Arts", "ECON-BA") : "d";)",
       "Take two to four courses in the WX Arts distribution for the programme ECON-BA."},
      {R"(SELECT 11 FROM [RANGE_TAG(MATH 3000, MATH 3999, "WX Proof"), RANGE_DIST(MATH 4000, MATH 4999, "Q")] : "d";)",
       "Take 11 courses from MATH 3000-3999 tagged WX Proof or from MATH 4000-4999 in the Q distribution."},
      // A cap of several entries, and one that allows none.
      {R"(SELECT 3 FROM [TAG_DEPT("T", "C"), SELECT 0-2 FROM [CLASS(STAT 3100), DIST("D")], SELECT 0-0 FROM RANGE(MATH 1000, CSCI 1999)] : "d";)",
       "Take three courses tagged T for the programme C, of which at most two from: STAT 3100, "
       "courses in the D distribution; of which none from MATH 1000 to CSCI 1999."},
      {R"(LIMIT 2 FROM RANGE(CSCI 1000, CSCI 1999) : "d";)",
       "At most two courses from CSCI 1000-1999 count towards the whole programme."},
      // A limit counts every function anywhere inside it.
      {R"(LIMIT 1 FROM [CLASS(MATH 1200), SELECT 1 FROM TAG("WX Pass/Fail")] : "d";)",
       "At most one of these courses counts towards the whole programme: MATH 1200 Calculus I, "
       "courses tagged WX Pass/Fail."},
  };
  for (const Case& c : cases) {
    const jrl::ParseResult file = parsed(c.statement);
    ASSERT_EQ(file.parsed_jrl_file.requirements.size(), 1u) << c.statement;
    EXPECT_EQ(jrl::describe_statement(file.parsed_jrl_file.requirements.front(), &*catalogue),
              c.words)
        << c.statement;
  }
}

constexpr std::string_view PROGRAMME = R"(// <Minor> & "more"
SELECT 1 FROM [CLASS(MATH 1200), SELECT 2 FROM [CLASS(MATH 1100), CLASS(MATH 1110)]] : "Calculus <I> & more" : 40;
SELECT 1 FROM TAG("WX Capstone") : "Capstone";
LIMIT 1 FROM TAG("WX Pass/Fail") : "Pass/fail";
)";

TEST(Describe, RenderingsLayOutTheSameSentences) {
  const jrl::ParseResult file = parsed(PROGRAMME);
  jrl::DescribeOptions options;
  options.title = jrl::programme_title(PROGRAMME);
  EXPECT_EQ(options.title, R"(<Minor> & "more")");

  EXPECT_EQ(jrl::describe(file.parsed_jrl_file, options),
            R"(<Minor> & "more"
================

Requirements
------------

When a course could count towards more than one requirement, the audit fills requirements with a higher priority first; a requirement without a priority has priority 1.

Calculus <I> & more (priority 40)
  Take one of:
  - MATH 1200
  - both of: MATH 1100, MATH 1110

Capstone
  Take one course tagged WX Capstone.

Limits
------

A limit holds across the whole programme: courses beyond it count towards no requirement.

Pass/fail
  At most one course tagged WX Pass/Fail counts towards the whole programme.
)");

  options.format = jrl::DescribeFormat::markdown;
  const std::string markdown = jrl::describe(file.parsed_jrl_file, options);
  for (const std::string_view expected :
       {"# \\<Minor\\> \\& \"more\"\n\n## Requirements\n\n",
        "### Calculus \\<I\\> \\& more\n\n*Priority 40*\n\nTake one of:\n\n"
        "- **MATH 1200**\n- both of:\n  - **MATH 1100**\n  - **MATH 1110**\n\n",
        "Take one course tagged *WX Capstone*.\n\n## Limits\n\n"}) {
    EXPECT_NE(markdown.find(expected), std::string::npos) << expected << "\nin\n" << markdown;
  }

  options.format = jrl::DescribeFormat::html;
  const std::string html = jrl::describe(file.parsed_jrl_file, options);
  for (const std::string_view expected :
       {"<title>&lt;Minor&gt; &amp; &quot;more&quot;</title>",
        "<h3>Calculus &lt;I&gt; &amp; more</h3>\n<p class=\"priority\">Priority 40</p>\n"
        "<p>Take one of:</p>\n<ul><li><span class=\"course\">MATH 1200</span></li>"
        "<li>both of:<ul><li><span class=\"course\">MATH 1100</span></li>",
        "<h2>Limits</h2>"}) {
    EXPECT_NE(html.find(expected), std::string::npos) << expected << "\nin\n" << html;
  }
  // Self-contained: nothing fetched, nothing run.
  for (const std::string_view absent : {"<script", "<link", "src=", "http"}) {
    EXPECT_EQ(html.find(absent), std::string::npos) << absent;
  }
}

}  // namespace
