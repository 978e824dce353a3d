// The audit against hand-made scenarios whose best allocation is known (a
// greedy filler misses several), the same bytes whatever the order of the
// catalogue and of the record, and the faults of records with their
// messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jrl/jrl.hpp"

// g++ 12 warns falsely about its own string concatenation.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace {

const std::vector<std::string> COURSES = {
    R"({"course": "ARTS 1010", "credits": 3, "distributions": ["Hum"]})",
    R"({"course": "HIST 1100", "credits": 4, "distributions": ["Hum", "Soc"]})",
    R"({"course": "ECON 1100", "credits": 4, "distributions": ["Soc"]})",
    R"({"course": "MATH 1200", "credits": 4})",
    R"({"course": "MATH 1210", "credits": 4})",
    R"({"course": "MATH 4100", "credits": 4, "tags": ["Proof"]})",
    R"({"course": "MATH 4200", "credits": 4, "tags": ["Proof"]})",
    R"({"course": "CSCI 1100", "credits": 4})",
    R"({"course": "CSCI 1200", "credits": 4})",
    R"({"course": "CSCI 4100", "credits": 4, "programme_tags": {"CSCI-BS": ["Capstone"]}})",
    R"({"course": "CSCI 4200", "credits": 4})",
    R"({"course": "PHYS 1100", "credits": 4})",
    R"({"course": "PHYS 1100L", "credits": 1})",
    R"({"course": "CHEM 1100", "credits": 4})",
    R"({"course": "CHEM 1100L", "credits": 1})",
};

std::string catalogue_json(std::vector<std::string> courses) {
  std::string out = R"({"name": "test", "courses": [)";
  for (std::size_t i = 0; i < courses.size(); ++i) out += (i ? ", " : "") + courses[i];
  return out + R"(], "placements": ["MATHCALC2"]})";
}

jrl::Catalogue catalogue(const std::vector<std::string>& courses = COURSES) {
  auto cat = jrl::Catalogue::parse(catalogue_json(courses), "test.json");
  EXPECT_TRUE(cat.has_value());
  return *cat;
}

// Each requirement as `status count: items`, items by course code, a group
// in parentheses, a placement as `@NAME`; requirements joined by " | ".
std::string items_text(const std::vector<jrl::AuditItem>& items) {
  std::string out;
  for (const jrl::AuditItem& item : items) {
    if (!out.empty()) out += ", ";
    switch (item.kind) {
      case jrl::AuditItem::Kind::attempt: out += item.course; break;
      case jrl::AuditItem::Kind::placement: out += "@" + item.placement; break;
      case jrl::AuditItem::Kind::group: out += "(" + items_text(item.items) + ")"; break;
    }
  }
  return out;
}

std::string summary(const jrl::AuditReport& report) {
  std::string out;
  for (const jrl::RequirementReport& r : report.requirements) {
    if (!out.empty()) out += " | ";
    out += std::string(jrl::to_string(r.status)) + " " + std::to_string(r.count) + ": " +
           items_text(r.items);
  }
  return out;
}

std::string audit_summary(std::string_view programme, std::string_view record, bool planned = false) {
  auto prepared = jrl::AuditProgramme::prepare(programme, "p.jrl", catalogue());
  if (!prepared) return "prepare: " + prepared.error();
  auto parsed = jrl::parse_record(record, "r.json");
  if (!parsed) return "record: " + parsed.error().message();
  jrl::AuditOptions options;
  options.planned = planned;
  auto report = jrl::audit(*prepared, *parsed, options);
  if (!report) return "audit: " + report.error().message();
  EXPECT_TRUE(report->optimal);
  return summary(*report);
}

struct Scenario {
  const char* name;
  const char* programme;
  const char* attempts;  // the record's attempts and anything after them
  const char* expected;
  bool planned = false;
};

const Scenario SCENARIOS[] = {
    {"a course eligible for two requirements goes where it completes both",
     R"(SELECT 1 FROM DIST("Hum") : "H" : 2; SELECT 1 FROM DIST("Soc") : "S";)",
     R"([{"course": "HIST 1100"}, {"course": "ARTS 1010"}])",
     "complete 1: ARTS 1010 | complete 1: HIST 1100"},
    {"the higher priority is satisfied first",
     R"(SELECT 1 FROM DIST("Hum") : "H"; SELECT 1 FROM DIST("Soc") : "S" : 9;)",
     R"([{"course": "HIST 1100"}])", "incomplete 0:  | complete 1: HIST 1100"},
    {"progress before fill",
     R"(SELECT 2 FROM DIST("Hum") : "H"; SELECT 1-3 FROM DIST("Soc") : "S";)",
     R"([{"course": "HIST 1100"}, {"course": "ECON 1100"}, {"course": "ARTS 1010"}])",
     "complete 2: ARTS 1010, HIST 1100 | complete 1: ECON 1100"},
    {"a group counts whole or not at all",
     R"(SELECT 1 FROM [SELECT 2 FROM [CLASS(PHYS 1100), CLASS(PHYS 1100L)],
                       SELECT 2 FROM [CLASS(CHEM 1100), CLASS(CHEM 1100L)]] : "Lab science";
        SELECT 1 FROM [CLASS(CHEM 1100), CLASS(MATH 1200)] : "Other";)",
     R"([{"course": "PHYS 1100"}, {"course": "PHYS 1100L"}, {"course": "CHEM 1100"}])",
     "complete 1: (PHYS 1100, PHYS 1100L) | complete 1: CHEM 1100"},
    {"a cap holds at most its number, by the course and not by the route",
     R"(SELECT 3 FROM [RANGE(CSCI 4000, CSCI 4999), RANGE_TAG(MATH 4000, MATH 4999, "Proof"),
                       SELECT 0-1 FROM RANGE(MATH 4000, MATH 4999)] : "Electives";)",
     R"([{"course": "MATH 4200"}, {"course": "CSCI 4100"}, {"course": "MATH 4100"}])",
     "incomplete 2: CSCI 4100, MATH 4100"},
    {"a nested cap counts against every cap around it",
     R"(SELECT 3 FROM [CLASS(ARTS 1010), SELECT 0-2 FROM [CLASS(MATH 1200),
                       SELECT 0-1 FROM RANGE(MATH 4000, MATH 4999)]] : "Nested";)",
     R"([{"course": "ARTS 1010"}, {"course": "MATH 4100"}, {"course": "MATH 4200"},
         {"course": "MATH 1200"}])",
     "complete 3: ARTS 1010, MATH 1200, MATH 4100"},
    {"a LIMIT counts used courses across requirements",
     R"(SELECT 2 FROM RANGE(CSCI 1000, CSCI 1999) : "Intro";
        SELECT 1 FROM [CLASS(CSCI 1200), CLASS(MATH 1200)] : "Other" : 5;
        LIMIT 2 FROM RANGE(CSCI 1000, CSCI 1999) : "Two";)",
     R"([{"course": "CSCI 1100"}, {"course": "CSCI 1200"}, {"course": "MATH 1200"}])",
     "complete 2: CSCI 1100, CSCI 1200 | complete 1: MATH 1200"},
    {"a LIMIT that leaves a requirement short",
     R"(SELECT 2 FROM RANGE(CSCI 1000, CSCI 4999) : "CS"; LIMIT 1 FROM RANGE(CSCI 1000, CSCI 1999) : "L";)",
     R"([{"course": "CSCI 1100"}, {"course": "CSCI 1200"}])", "incomplete 1: CSCI 1100"},
    {"a placement counts wherever it is named",
     R"(SELECT 1 FROM [CLASS(MATH 1200), PLACEMENT("MATHCALC2")] : "A";
        SELECT 1 FROM PLACEMENT("MATHCALC2") : "B";)",
     R"([{"course": "MATH 1200"}], "placements": ["MATHCALC2"])",
     "complete 1: MATH 1200 | complete 1: @MATHCALC2"},
    {"completed before in progress",
     R"(SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "Calculus";)",
     R"([{"course": "MATH 1200", "status": "in-progress"}, {"course": "MATH 1210"}])",
     "complete 1: MATH 1210"},
    {"in progress, and planned only when asked for",
     R"(SELECT 1 FROM CLASS(MATH 1200) : "A"; SELECT 1 FROM CLASS(MATH 1210) : "B";)",
     R"([{"course": "MATH 1200", "status": "in-progress"}, {"course": "MATH 1210", "status": "planned"}])",
     "in-progress 1: MATH 1200 | incomplete 0: "},
    {"planned when asked for",
     R"(SELECT 1 FROM CLASS(MATH 1200) : "A"; SELECT 1 FROM CLASS(MATH 1210) : "B";)",
     R"([{"course": "MATH 1200", "status": "in-progress"}, {"course": "MATH 1210", "status": "planned"}])",
     "in-progress 1: MATH 1200 | planned 1: MATH 1210", true},
    {"failing grades, ignoring case, count nowhere; a repeat counts once",
     R"(SELECT 2 FROM [CLASS(MATH 1200), CLASS(MATH 1210), CLASS(MATH 4100)] : "M";)",
     R"([{"course": "MATH 1200", "grade": "B"}, {"course": "MATH 1210", "grade": "wf"},
         {"course": "MATH 1200", "grade": "A", "status": "in-progress"}, {"course": "MATH 4100", "grade": "nc"}])",
     "incomplete 1: MATH 1200"},
    {"a course outside the catalogue counts for CLASS and RANGE",
     R"(SELECT 1 FROM RANGE(HIST 2000, HIST 2999) : "R"; SELECT 1 FROM DIST("Soc") : "D";)",
     R"([{"course": "HIST 2990"}])", "complete 1: HIST 2990 | incomplete 0: "},
    {"an attempt's own tags count with the catalogue's",
     R"(SELECT 1 FROM RANGE_TAG(CSCI 4000, CSCI 4999, "Capstone") : "C";
        SELECT 1 FROM TAG("Writing") : "W" : 2; SELECT 1 FROM TAG_DEPT("Capstone", "CSCI-BS") : "D";)",
     R"([{"course": "CSCI 4100", "tags": ["Writing"]}, {"course": "CSCI 4200", "tags": ["Capstone"]}])",
     "complete 1: CSCI 4200 | complete 1: CSCI 4100 | incomplete 0: "},
    {"waive, substitute and block",
     R"(SELECT 1 FROM DIST("Hum") : "H"; SELECT 1 FROM DIST("Soc") : "S"; SELECT 1 FROM CLASS(MATH 1200) : "M";)",
     R"([{"course": "HIST 1100"}, {"course": "ARTS 1010"}],
        "exceptions": {"waive": ["M"], "substitute": [{"requirement": 1, "course": "ARTS 1010"}],
                       "block": [{"requirement": "S", "course": "HIST 1100"}]})",
     "complete 1: HIST 1100 | complete 1: ARTS 1010 | waived 0: "},
};

TEST(Audit, Scenarios) {
  for (const Scenario& s : SCENARIOS) {
    const std::string record = std::string(R"({"student": "S1", "attempts": )") + s.attempts + "}";
    EXPECT_EQ(audit_summary(s.programme, record, s.planned), s.expected) << s.name;
  }
}

// Reordering the catalogue, and the attempts of distinct courses, changes
// no byte of the report.
TEST(Audit, SameBytesInAnyOrder) {
  const std::string programme = R"(
    SELECT 2 FROM DIST("Hum") : "H" : 2; SELECT 1 FROM DIST("Soc") : "S";
    SELECT 3 FROM [RANGE(CSCI 4000, CSCI 4999), SELECT 0-1 FROM RANGE(MATH 4000, MATH 4999)] : "E";
    SELECT 1 FROM [SELECT 2 FROM [CLASS(PHYS 1100), CLASS(PHYS 1100L)], CLASS(MATH 1200)] : "L";
    SELECT 1-2 FROM [RANGE(MATH 1000, MATH 4999), RANGE(CSCI 1000, CSCI 1999)] : "M";
    LIMIT 1 FROM RANGE(CSCI 1000, CSCI 1999) : "L";)";
  std::vector<std::string> attempts = {
      R"({"course": "HIST 1100", "term": "1"})", R"({"course": "ARTS 1010", "status": "in-progress"})",
      R"({"course": "ECON 1100"})", R"({"course": "MATH 4100"})", R"({"course": "MATH 4200"})",
      R"({"course": "CSCI 4100"})", R"({"course": "CSCI 1100"})", R"({"course": "CSCI 1200"})",
      R"({"course": "PHYS 1100"})", R"({"course": "PHYS 1100L"})", R"({"course": "MATH 1200"})",
      R"({"course": "HIST 2990"})"};
  std::vector<std::string> courses = COURSES;
  std::mt19937 random(7);
  std::string first;
  for (int round = 0; round < 20; ++round) {
    std::string record = R"({"student": "S", "attempts": [)";
    for (std::size_t i = 0; i < attempts.size(); ++i) record += (i ? ", " : "") + attempts[i];
    record += "]}";
    auto prepared = jrl::AuditProgramme::prepare(programme, "p.jrl", catalogue(courses));
    ASSERT_TRUE(prepared.has_value());
    auto report = jrl::audit(*prepared, *jrl::parse_record(record, "r"));
    ASSERT_TRUE(report.has_value());
    const std::string json = jrl::to_json(*report);
    if (round == 0) first = json;
    EXPECT_EQ(json, first) << "round " << round;
    std::ranges::shuffle(courses, random);
    std::ranges::shuffle(attempts, random);
  }
}

TEST(Audit, BadRecordsSayWhereAndWhy) {
  const struct {
    const char* record;
    const char* message;
  } cases[] = {
      {R"({"student": "S1", "attempts": [{"course": "MATH 120"}]})",
       R"(r.jsonl:3: student S1: "attempts[0].course": "MATH 120" is not a course code such as "MATH 1200" or "PHYS 1100L")"},
      {R"({"student": "S1", "attempts": [{"course": "MATH 1200", "status": "done"}]})",
       R"(r.jsonl:3: student S1: "attempts[0].status": expected one of completed, in-progress, planned, found "done")"},
      {R"({"student": "S1", "attempts": [{"course": "MATH 1200", "credit": 4}]})",
       R"(r.jsonl:3: student S1: "attempts[0].credit": not a field of an attempt (course, term, grade, credits, status, tags))"},
      {R"({"attempts": []})", R"(r.jsonl:3: "student": every record needs a student id)"},
      {R"({"student": 7})", R"(r.jsonl:3: "student": expected a string, found a number)"},
      {R"({"student": "S1", "placements": ["A", "A"]})",
       R"(r.jsonl:3: student S1: "placements[1]": "A" is listed twice)"},
      {R"({"student": "S1", "exceptions": {"waive": [true]}})",
       R"(r.jsonl:3: student S1: "exceptions.waive[0]": expected a statement's index (from 0) or its description, found true or false)"},
      {R"({"student": "S1", "exceptions": {"block": [{"course": "MATH 1200"}]}})",
       R"(r.jsonl:3: student S1: "exceptions.block[0].requirement": missing: each needs a requirement)"},
      {R"({"student": "S1", "attempts": [)", "r.jsonl:3: not valid JSON: parse error at line 1, column 32: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
  };
  for (const auto& c : cases) {
    std::istringstream in(std::string("\n  \n") + c.record + "\n");
    std::vector<std::string> got;
    jrl::read_records(in, "r.jsonl", [&](std::size_t, std::expected<jrl::StudentRecord, jrl::RecordError> r) {
      got.push_back(r ? "read " + r->student : r.error().message());
    });
    EXPECT_EQ(got, std::vector<std::string>{c.message});
  }
  // Exceptions are checked against the file when audited.
  const std::string programme = R"(SELECT 1 FROM CLASS(MATH 1200) : "A"; SELECT 1 FROM CLASS(MATH 1210) : "A";
                                   LIMIT 1 FROM CLASS(MATH 1200) : "L";)";
  const struct {
    const char* exceptions;
    const char* message;
  } audits[] = {
      {R"({"waive": [3]})", R"(student S1: "exceptions.waive[0]": the file has no statement 3 (it has 3, counted from 0))"},
      {R"({"waive": ["A"]})", R"(student S1: "exceptions.waive[0]": 2 statements have the description "A"; name one by its index)"},
      {R"({"substitute": [{"requirement": "L", "course": "MATH 1200"}]})",
       R"(student S1: "exceptions.substitute[0].requirement": statement 2 is a LIMIT, not a SELECT)"},
      {R"({"block": [{"requirement": "B", "course": "MATH 1200"}]})",
       R"(student S1: "exceptions.block[0].requirement": no statement has the description "B")"},
  };
  auto prepared = jrl::AuditProgramme::prepare(programme, "p.jrl", catalogue());
  ASSERT_TRUE(prepared.has_value());
  for (const auto& c : audits) {
    auto record = jrl::parse_record(std::string(R"({"student": "S1", "exceptions": )") + c.exceptions + "}", "r");
    ASSERT_TRUE(record.has_value()) << c.exceptions;
    auto report = jrl::audit(*prepared, *record);
    ASSERT_FALSE(report.has_value());
    EXPECT_EQ(report.error().message(), c.message);
  }
}

TEST(Audit, ReportJson) {
  auto prepared = jrl::AuditProgramme::prepare(
      "// x\nSELECT 2 FROM [SELECT 2 FROM [CLASS(PHYS 1100), CLASS(PHYS 1100L)], CLASS(MATH 1200)]"
      " : \"Lab\" : 3;\nLIMIT 1 FROM CLASS(MATH 1200) : \"L\";\n",
      "p.jrl", catalogue());
  ASSERT_TRUE(prepared.has_value());
  auto record = jrl::parse_record(
      R"({"student": "S1", "attempts": [{"course": "PHYS 1100", "term": "F"}, {"course": "PHYS 1100L", "term": "F"},
          {"course": "ARTS 1010", "status": "in-progress"}]})", "r");
  auto report = jrl::audit(*prepared, *record);
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(jrl::to_json(*report),
            R"({"student":"S1","programme":"p.jrl","catalogue":"test","satisfied":false,"optimal":true,)"
            R"("objective":{"priorities":[[3,0,1]],"progress":1,"settled":0,"fill":1},)"
            R"("requirements":[{"index":0,"line":2,"description":"Lab","priority":3,"status":"incomplete",)"
            R"("lo":2,"hi":2,"count":1,"missing":1,"credits":5,"items":[{"group":[0],"items":[)"
            R"({"course":"PHYS 1100","term":"F","status":"completed","could_also_count":[]},)"
            R"({"course":"PHYS 1100L","term":"F","status":"completed","could_also_count":[]}]}],)"
            R"("explanation":"1 more from [SELECT 2 FROM [CLASS(PHYS 1100), CLASS(PHYS 1100L)], CLASS(MATH 1200)]",)"
            R"("would_count":["MATH 1200"]}],)"
            R"("limits":[{"index":1,"line":3,"description":"L","allowed":1,"used":0,"courses":[]}],)"
            R"("unused":[{"course":"ARTS 1010","term":"","status":"in-progress"}],"warnings":[],"exceptions":[]})");
}

}  // namespace
