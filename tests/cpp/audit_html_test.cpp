// The audit's pages and the report read back from JSON, over every example
// record against every shipped programme.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/audit_html.hpp"
#include "jrl/audit_read.hpp"
#include "jrl/jrl.hpp"

// g++ 12 warns falsely about its own string concatenation.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace {

const std::filesystem::path EXAMPLES = std::filesystem::path(JRL_SOURCE_DIR) / "examples";

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const jrl::Catalogue& wexmoor() {
  static const jrl::Catalogue catalogue = *jrl::Catalogue::load(EXAMPLES / "catalogue" / "wexmoor.json");
  return catalogue;
}

// Every example student (the files and the JSON Lines) against every
// shipped programme, with and without planned courses.
const std::vector<jrl::AuditReport>& example_reports() {
  static const std::vector<jrl::AuditReport> reports = [] {
    std::vector<jrl::StudentRecord> records;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES / "records")) {
      if (entry.path().extension() == ".json") records.push_back(*jrl::load_record(entry.path()));
    }
    std::istringstream lines(read_file(EXAMPLES / "records" / "students.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) records.push_back(*jrl::parse_record(line, "students.jsonl"));
    }
    std::vector<jrl::AuditReport> out;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES)) {
      if (entry.path().extension() != ".jrl") continue;
      const auto programme = jrl::AuditProgramme::prepare(
          read_file(entry.path()), entry.path().filename().string(), wexmoor());
      EXPECT_TRUE(programme.has_value()) << entry.path();
      for (const bool planned : {false, true}) {
        jrl::AuditOptions options;
        options.planned = planned;
        for (const jrl::StudentRecord& record : records) {
          // A record's exceptions may name requirements of one programme only.
          if (auto report = jrl::audit(*programme, record, options)) out.push_back(std::move(*report));
        }
      }
    }
    return out;
  }();
  return reports;
}

// The value after each `marker` in `page`, up to the closing quote.
std::vector<std::string> quoted_after(const std::string& page, std::string_view marker) {
  std::vector<std::string> values;
  for (std::size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at + 1)) {
    const std::size_t start = at + marker.size();
    values.push_back(page.substr(start, page.find('"', start) - start));
  }
  return values;
}

// What every page must keep: one top heading, ids unique and every link
// inside the page landing on one, a name and a value in words for every
// bar, and nothing fetched from anywhere.
void expect_sound_page(const std::string& page) {
  std::size_t h1 = 0;
  for (std::size_t at = page.find("<h1"); at != std::string::npos; at = page.find("<h1", at + 1)) ++h1;
  EXPECT_EQ(h1, 1u);
  std::set<std::string> ids;
  for (const std::string& id : quoted_after(page, " id=\"")) {
    EXPECT_TRUE(ids.insert(id).second) << "id used twice: " << id;
  }
  for (const std::string& anchor : quoted_after(page, "href=\"#")) {
    EXPECT_TRUE(ids.contains(anchor)) << "link to no id: " << anchor;
  }
  const std::string bar = "<span class=\"bar\" role=\"progressbar\"";
  std::size_t bars = 0;
  for (std::size_t at = page.find(bar); at != std::string::npos; at = page.find(bar, at + 1), ++bars) {
    const std::string tag = page.substr(at, page.find('>', at) - at);
    EXPECT_TRUE(tag.find("aria-valuetext=\"") != std::string::npos &&
                tag.find("aria-label=\"") != std::string::npos) << tag;
  }
  EXPECT_GT(bars, 0u);
  for (const char* fetched : {"http://", "https://", "src=", "<script", "@import", "url("}) {
    EXPECT_EQ(page.find(fetched), std::string::npos) << fetched;
  }
}

TEST(AuditReportRead, EveryExampleReportReadsBackToTheSameBytes) {
  ASSERT_GT(example_reports().size(), 50u);
  for (const jrl::AuditReport& report : example_reports()) {
    const std::string json = jrl::to_json(report);
    const auto read = jrl::read_audit_report(json);
    ASSERT_TRUE(read.has_value()) << read.error();
    EXPECT_EQ(jrl::to_json(*read), json);
  }
}

TEST(AuditReportRead, NamesWhatIsWrong) {
  const std::string good = jrl::to_json(example_reports().front());
  const auto with = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct {
    std::string text, message;
  } cases[] = {
      {good.substr(0, good.size() / 2), "not valid JSON"},
      {"[]", "not a JSON object"},
      {with("\"student\":", "\"learner\":"), "report.student: missing"},
      {with("\"satisfied\":", "\"satisfied\":1,\"x\":"), "satisfied: expected true or false"},
      {with("\"status\":\"", "\"status\":\"done"), "requirements[0].status: not a requirement status"},
      {with("\"lo\":", "\"lo\":-"), "requirements[0].lo: expected a whole number"},
      {with("\"priorities\":[[", "\"priorities\":[[1],["), "objective.priorities[0]: expected three numbers"},
  };
  for (const auto& c : cases) {
    const auto read = jrl::read_audit_report(c.text);
    ASSERT_FALSE(read.has_value()) << c.message;
    EXPECT_NE(read.error().find(c.message), std::string::npos) << read.error();
  }
}

TEST(AuditPages, EveryExampleStudentPageIsSound) {
  jrl::AuditPageOptions options;
  options.catalogue = &wexmoor();
  options.index_href = "index.html";
  for (const jrl::AuditReport& report : example_reports()) {
    const std::string page = jrl::audit_html(report, options);
    expect_sound_page(page);
    // A bar and a status in words for every requirement.
    std::size_t sections = 0;
    for (std::size_t at = page.find("class=\"requirement "); at != std::string::npos;
         at = page.find("class=\"requirement ", at + 1)) {
      ++sections;
    }
    EXPECT_EQ(sections, report.requirements.size());
  }
}

TEST(AuditPages, IndexAndStandingsPagesEscapeAndAddUp) {
  const std::string awkward = "<b>&\"'";
  std::string index = jrl::audit_index_head("B.S. <Computer> Science");
  jrl::AuditIndexTotals totals;
  for (const jrl::AuditReport& report : example_reports()) {
    if (totals.audited == 3) break;
    jrl::AuditIndexRow row;
    row.student = report.student;
    row.href = report.student + ".html";
    row.line = totals.audited + 1;
    row.satisfied = report.satisfied;
    row.requirements = report.requirements.size();
    row.met = static_cast<std::size_t>(std::ranges::count_if(
        report.requirements, [](const auto& r) { return r.status != jrl::RequirementStatus::incomplete; }));
    index += jrl::audit_index_row(row);
    ++totals.audited;
    totals.satisfied += report.satisfied;
  }
  jrl::AuditIndexRow failed;
  failed.student = awkward;
  failed.line = 4;
  failed.error = "\"attempts[2].status\": expected one of <completed>";
  index += jrl::audit_index_row(failed);
  totals.failed = 1;
  index += jrl::audit_index_tail(totals);
  expect_sound_page(index);
  for (const char* shown : {"B.S. &lt;Computer&gt; Science", "&lt;b&gt;&amp;&quot;&#39;",
                            "Line 4: &quot;attempts[2].status&quot;: expected one of &lt;completed&gt;",
                            "<dt>Students audited</dt><dd>3</dd>", "<dt>Records that failed</dt><dd>1</dd>"}) {
    EXPECT_NE(index.find(shown), std::string::npos) << shown;
  }
  EXPECT_EQ(index.find(awkward), std::string::npos);
  // Rows stay in the order they were written.
  EXPECT_LT(index.find(">" + example_reports()[0].student + "<"), index.find("Line 4:"));

  // The standings: two programmes' audits of one student on one page, ids
  // kept apart.
  std::vector<jrl::ProgrammeStanding> standings;
  for (const jrl::AuditReport& report : example_reports()) {
    if (standings.size() == 2) break;
    if (!standings.empty() && standings.front().report.programme == report.programme) continue;
    jrl::ProgrammeStanding s;
    s.rank = standings.size() + 1;
    s.title = report.programme + " " + awkward;
    s.report = report;
    s.requirements = report.requirements.size();
    standings.push_back(std::move(s));
  }
  ASSERT_EQ(standings.size(), 2u);
  const std::string page = jrl::closest_html(awkward, standings, {&wexmoor(), {}, {}});
  expect_sound_page(page);
  EXPECT_EQ(page.find(awkward), std::string::npos);
  const std::size_t first = page.find("<h2 id=\"p1-h\">1. ");
  EXPECT_NE(first, std::string::npos);
  EXPECT_LT(first, page.find("<h2 id=\"p2-h\">2. "));
}

}  // namespace
