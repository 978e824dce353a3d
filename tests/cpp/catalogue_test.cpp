// Loading a catalogue and what each selector selects from it: the matching
// rules as a table of selectors over one small catalogue, the faults of a
// catalogue as a table of documents and messages, and the shipped programmes
// against the shipped catalogue.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "jrl/jrl.hpp"

namespace {

constexpr std::string_view SMALL = R"({
  "name": "test",
  "courses": [
    {"course": "MATH 1200", "title": "Calculus I", "credits": 4, "tags": ["WX Proof"],
     "distributions": ["WX Quant"], "programme_tags": {"CSCI-BS": ["WX Ethics"]}},
    {"course": "MATH 3000", "tags": ["WX Proof"]},
    {"course": "MATH 3000L", "programme_distributions": {"ECON-BA": ["WX Quant"]}},
    {"course": "MATH 3999", "programme_tags": {"ECON-BA": ["WX Proof"]}},
    {"course": "MATH 4000", "tags": ["WX Proof", "wx proof"]},
    {"course": "PHYS 1100"},
    {"course": "PHYS 1100L", "programme_tags": {"PHYS-BS": ["WX Ethics"]}},
    {"course": "PHYS 3500", "distributions": ["WX Quant"]}
  ],
  "placements": ["MATHCALC2"],
  "programme_codes": ["CSCI-BS", "ECON-BA", "PHYS-BS"]
})";

std::string codes(const std::vector<const jrl::CatalogueCourse*>& courses) {
  std::string out;
  for (const jrl::CatalogueCourse* c : courses) out += (out.empty() ? "" : ",") + c->code;
  return out;
}

TEST(Catalogue, SelectorsSelectByTheMatchingRules) {
  const auto cat = jrl::Catalogue::parse(SMALL, "small.json");
  ASSERT_TRUE(cat) << cat.error().message();
  struct Row {
    std::string_view selector;
    std::string_view expected;
  };
  const Row rows[] = {
      // CLASS: department, number and lab flag all count.
      {"CLASS(MATH 1200)", "MATH 1200"},
      {"CLASS(PHYS 1100L)", "PHYS 1100L"},
      {"CLASS(PHYS 1100)", "PHYS 1100"},
      {"CLASS(MATH 1200L)", ""},
      {"CLASS(HIST 9999)", ""},
      // RANGE: both ends included, labs inside, one department only.
      {"RANGE(MATH 3000, MATH 3999)", "MATH 3000,MATH 3000L,MATH 3999"},
      {"RANGE(MATH 3000L, MATH 3000)", "MATH 3000,MATH 3000L"},
      {"RANGE(MATH 3001, MATH 3998)", ""},
      {"RANGE(MATH 4000, MATH 3000)", ""},
      {"RANGE(MATH 1000, PHYS 9999)", ""},
      {"RANGE(CSCI 1000, CSCI 9999)", ""},
      // TAG: for every programme or any one; texts compare exactly.
      {"TAG(\"WX Proof\")", "MATH 1200,MATH 3000,MATH 3999,MATH 4000"},
      {"TAG(\"wx proof\")", "MATH 4000"},
      {"TAG(\"WX  Proof\")", ""},
      {"TAG(\"WX Ethics\")", "MATH 1200,PHYS 1100L"},
      // TAG_DEPT: for every programme or for that programme only.
      {"TAG_DEPT(\"WX Proof\", \"ECON-BA\")", "MATH 1200,MATH 3000,MATH 3999,MATH 4000"},
      {"TAG_DEPT(\"WX Proof\", \"CSCI-BS\")", "MATH 1200,MATH 3000,MATH 4000"},
      {"TAG_DEPT(\"WX Ethics\", \"PHYS-BS\")", "PHYS 1100L"},
      {"TAG_DEPT(\"WX Ethics\", \"HIST-BA\")", ""},
      // The same over distributions.
      {"DIST(\"WX Quant\")", "MATH 1200,MATH 3000L,PHYS 3500"},
      {"DIST_DEPT(\"WX Quant\", \"CSCI-BS\")", "MATH 1200,PHYS 3500"},
      {"DIST_DEPT(\"WX Quant\", \"ECON-BA\")", "MATH 1200,MATH 3000L,PHYS 3500"},
      {"DIST(\"WX Proof\")", ""},
      // RANGE_TAG and RANGE_DIST: the range and the name both.
      {"RANGE_TAG(MATH 3000, MATH 4999, \"WX Proof\")", "MATH 3000,MATH 3999,MATH 4000"},
      {"RANGE_TAG(MATH 4000, MATH 3000, \"WX Proof\")", ""},
      {"RANGE_DIST(MATH 1000, MATH 3999, \"WX Quant\")", "MATH 1200,MATH 3000L"},
      // A placement is not a course.
      {"PLACEMENT(\"MATHCALC2\")", ""},
      // A nested statement selects what its selectors select, each once.
      {"[CLASS(PHYS 1100), SELECT 0-1 FROM [CLASS(MATH 1200), TAG(\"WX Ethics\")]]",
       "MATH 1200,PHYS 1100,PHYS 1100L"},
  };
  for (const Row& row : rows) {
    const std::string text = "SELECT 1 FROM " + std::string(row.selector) + " : \"d\";";
    const auto parsed = jrl::parse(text);
    ASSERT_TRUE(parsed) << text;
    const jrl::JRLRequirement& req = parsed->parsed_jrl_file.requirements.front();
    EXPECT_EQ(codes(cat->courses_for(req)), row.expected) << row.selector;
    if (req.query.selector.size() == 1) {
      EXPECT_EQ(codes(cat->courses_for(req.query.selector.front())), row.expected);
    }
  }
  const jrl::CatalogueCourse* calc = cat->find({"MATH", 1200, false});
  ASSERT_NE(calc, nullptr);
  EXPECT_EQ(calc->title, "Calculus I");
  EXPECT_EQ(calc->credits, 4);
  EXPECT_EQ(cat->find({"MATH", 3000, true})->credits, 0);
}

TEST(Catalogue, FaultsNameTheFileEntryAndField) {
  struct Row {
    std::string_view json;
    std::string_view message;
  };
  const Row rows[] = {
      {R"({"courses": [{"course": "MATH 1200"}, {"course": "MATH 1200"}]})",
       "c.json: courses[1] (MATH 1200): \"course\": the same course as courses[0]"},
      {R"({"courses": [{"course": "MATH 120"}]})",
       "c.json: courses[0]: \"course\": \"MATH 120\" is not a course code such as "
       "\"MATH 1200\" or \"PHYS 1100L\""},
      {R"({"courses": [{"course": "math 1200"}]})",
       "c.json: courses[0]: \"course\": \"math\" is not a department of the registry"},
      {R"({"courses": [{"course": "ZZZZ 1200"}]})",
       "c.json: courses[0]: \"course\": \"ZZZZ\" is not a department of the registry"},
      {R"({"courses": [{"title": "Calculus"}]})",
       "c.json: courses[0]: \"course\": every entry needs a course code"},
      {R"({"courses": [{"course": "MATH 1200", "credits": "four"}]})",
       "c.json: courses[0] (MATH 1200): \"credits\": expected a number, found a string"},
      {R"({"courses": [{"course": "MATH 1200", "credits": -1}]})",
       "c.json: courses[0] (MATH 1200): \"credits\": credits cannot be negative"},
      {R"({"courses": [{"course": "MATH 1200", "tags": "WX Proof"}]})",
       "c.json: courses[0] (MATH 1200): \"tags\": expected a list of names, found a string"},
      {R"({"courses": [{"course": "MATH 1200", "tags": ["A", "A"]}]})",
       "c.json: courses[0] (MATH 1200): \"tags[1]\": \"A\" is listed twice"},
      {R"({"courses": [{"course": "MATH 1200", "programme_tags": {"CSCI-BS": [3]}}]})",
       "c.json: courses[0] (MATH 1200): \"programme_tags.CSCI-BS[0]\": expected a name (a "
       "string), found a number"},
      {R"({"courses": [{"course": "MATH 1200", "tag": ["A"]}]})",
       "c.json: courses[0] (MATH 1200): \"tag\": not a field of a course (title, credits, tags, "
       "distributions, programme_tags, programme_distributions)"},
      {R"({"courses": [], "placements": [""]})",
       "c.json: \"placements[0]\": a name cannot be empty"},
      {R"({"name": "x"})", "c.json: \"courses\": a catalogue needs a list of courses"},
      {R"([])", "c.json: expected an object, found a list"},
      {R"({"courses": [)",
       "c.json: not valid JSON: parse error at line 1, column 14: syntax error while parsing "
       "value - unexpected end of input; expected '[', '{', or a literal"},
  };
  for (const Row& row : rows) {
    const auto cat = jrl::Catalogue::parse(row.json, "c.json");
    ASSERT_FALSE(cat) << row.json;
    EXPECT_EQ(cat.error().message(), row.message);
  }
  const auto missing = jrl::Catalogue::load("/nonexistent/c.json");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message(), "/nonexistent/c.json: cannot read the file");
}

// Every selector of every shipped programme selects at least one course of
// the shipped catalogue, and every name it uses is one the catalogue knows.
TEST(Catalogue, ShippedProgrammesSelectFromTheShippedCatalogue) {
  const std::filesystem::path root = JRL_SOURCE_DIR;
  const auto cat = jrl::Catalogue::load(root / "examples" / "catalogue" / "wexmoor.json");
  ASSERT_TRUE(cat) << cat.error().message();
  EXPECT_GE(cat->courses().size(), 1500u);
  const auto listed = [](std::span<const std::string> names, std::string_view name) {
    return std::ranges::find(names, name) != names.end();
  };
  int programmes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root / "examples")) {
    if (entry.path().extension() != ".jrl") continue;
    ++programmes;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    const auto parsed = jrl::parse(source);
    ASSERT_TRUE(parsed) << entry.path();
    const std::function<void(const jrl::Selector&)> check = [&](const jrl::Selector& s) {
      jrl::visit(s, jrl::Overloaded{
                        [&](const jrl::JRLQuery& q) { std::ranges::for_each(q.selector, check); },
                        [&](const jrl::SelectorFunction& row, const auto&... args) {
                          const std::string where =
                              entry.path().filename().string() + ": " + jrl::debug_text(s);
                          std::size_t i = 0;
                          const auto known = [&](const jrl::SelectorArgument& slot,
                                                 const auto& arg) {
                            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(arg)>,
                                                         std::string_view>) {
                              const bool ok =
                                  slot.label == "tag"            ? cat->has_tag(arg)
                                  : slot.label == "distribution" ? cat->has_distribution(arg)
                                  : slot.label == "placement"
                                      ? listed(cat->placements(), arg)
                                      : listed(cat->programme_codes(), arg);
                              EXPECT_TRUE(ok) << where << ": unknown " << slot.label;
                            }
                          };
                          (known(row.arguments()[i++], args), ...);
                          if (row.name != "PLACEMENT") {
                            EXPECT_FALSE(cat->courses_for(s).empty()) << where;
                          }
                        }});
    };
    for (const jrl::JRLRequirement& req : parsed->parsed_jrl_file.requirements) {
      std::ranges::for_each(req.query.selector, check);
    }
  }
  EXPECT_GE(programmes, 4);
}

}  // namespace
