// jrl::check: every diagnostic of a file, its place, code and fixes; the
// statement splitter it resumes by.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corpus_texts.hpp"
#include "diagnostics/tokens.hpp"
#include "jrl/jrl.hpp"

namespace {

struct Case {
  std::string_view input;
  std::string_view expected;
};

std::string place(const jrl::LineCol& at) {
  return std::to_string(at.line) + ":" + std::to_string(at.column);
}

// One line per diagnostic: code, span, message, then its fixes and notes.
std::string summary(std::string_view input, jrl::CheckOptions options = {}) {
  std::string out;
  for (const jrl::Diagnostic& d : jrl::check(input, options)) {
    if (!out.empty()) out += '\n';
    out += d.code + " " + place(d.start) + "-" + place(d.end) + " [" +
           std::to_string(d.offset) + "," + std::to_string(d.end_offset) +
           ") " + d.message;
    for (const auto& s : d.suggestions) {
      out += " | " + s.message;
      for (const auto& e : s.edits) {
        out += " @" + std::to_string(e.offset) + "," +
               std::to_string(e.end_offset);
      }
    }
    for (const auto& n : d.notes) out += " | note " + n.message + " " + place(n.line_col);
  }
  return out;
}

// The first field in which `a` and `b` differ, or "".
std::string same_diagnostic(const jrl::Diagnostic& a,
                            const jrl::Diagnostic& b) {
  if (a.severity != b.severity) return "severity";
  if (a.code != b.code) return "code " + a.code + " " + b.code;
  if (a.offset != b.offset || a.end_offset != b.end_offset) return "offsets";
  if (a.start != b.start || a.end != b.end) return "lines and columns";
  if (a.message != b.message || a.context != b.context) return "messages";
  if (a.report != b.report) return "report";
  if (a.suggestions != b.suggestions) return "suggestions";
  if (a.notes != b.notes) return "notes";
  return "";
}

TEST(Check, DiagnosticsOfAFile) {
  const Case cases[] = {
      {"", ""},
      {"SELECT 1 FROM CLASS(MATH 1200) : \"x\";\n", ""},
      // A syntax error comes first even after a builder error.
      {"SELECT 0 FROM TAG(\"a\") : \"x\";\nSELECT 1 FROM TAG(\"a\") \"x\";\n",
       "JRL010 2:23-2:24 [52,53) missing `:` before the description | insert "
       "`:` @52,52\n"
       "JRL020 1:8-1:9 [7,8) cannot select zero"},
      // One error per statement, resumed after each ";".
      {"SELECT 0 FROM TAG(\"a\") : \"x\";SELECT 3-1 FROM TAG(\"a\") : \"x\";"
       "LIMIT 0-1 FROM TAG(\"a\") : \"x\";SELECT 1 FROM SELECT 1 FROM "
       "LIMIT 1 FROM TAG(\"a\") : \"x\";",
       "JRL020 1:8-1:9 [7,8) cannot select zero\n"
       "JRL022 1:39-1:40 [38,39) for any SELECT n-k statements, k>=n must be "
       "true. 1<3\n"
       "JRL021 1:67-1:68 [66,67) cannot select a range starting from zero on a "
       "top-level SELECT\n"
       "JRL025 1:119-1:124 [118,123) LIMIT must be a top-level query"},
      // Errors without a place are placed on their number.
      {"SELECT 99999 FROM TAG(\"a\") : \"x\";\nSELECT 1 FROM TAG(\"a\") : \"x\" : 65536;",
       "JRL023 1:8-1:13 [7,12) a number of courses is a whole number up to "
       "65535\n"
       "JRL024 2:32-2:37 [65,70) a priority is a whole number from 0 to 65535"},
      // A ";" inside a string or comment does not end a statement; inside
      // unbalanced brackets it does only before SELECT, LIMIT or the end.
      {"SELECT 1 FROM TAG(\";\") : \"x\" // ;\n;SELECT 0 FROM TAG(\"a\") : \"x\";",
       "JRL020 2:9-2:10 [42,43) cannot select zero"},
      {"SELECT 1 FROM [TAG(\"a\"); TAG(\"b\")] : \"x\";\nSELECT 0 FROM TAG(\"a\") : \"x\";",
       "JRL010 1:24-1:25 [23,24) `;` cannot stand here; did you mean `,`? | "
       "replace `;` with `,` @23,24\n"
       "JRL020 2:8-2:9 [49,50) cannot select zero"},
      {"SELECT 1 FROM CLASS(MATH 1200 : \"x\";\nSELECT 0 FROM TAG(\"a\") : \"x\";",
       "JRL010 1:30-1:31 [29,30) missing `)` to close `CLASS(` | insert `)` "
       "@29,29\n"
       "JRL020 2:8-2:9 [44,45) cannot select zero"},
      // Columns count characters; a multi-byte line before keeps lines right.
      {"// \xC3\xA9\xC3\xA9\nSELECT 1 FROM CLASS(MATX 1200) : \"\xC3\xA9\";\n"
       "SELECT 1 FROM CLAS(MATH 1200) : \"x\";",
       "JRL033 2:21-2:25 [28,32) this department does not exist in Wexmoor's "
       "course catalog (Did you mean: MATH) | replace `MATX` with `MATH` @28,32\n"
       "JRL031 3:15-3:19 [61,65) not a valid query (Did you mean: CLASS) | "
       "replace `CLAS` with `CLASS` @61,65"},
      // A byte-order mark counts in offsets, not in columns.
      {"\xEF\xBB\xBFSELECT 0 FROM TAG(\"a\") : \"x\";",
       "JRL020 1:8-1:9 [10,11) cannot select zero"},
      // Warnings in a file that parses.
      {"SELECT 2 FROM [CLASS(MATH 1200), CLASS(MATH 1200)] : \"x\";",
       "JRL201 1:8-1:9 [7,8) SELECT 2 is more than the 1 course its list can give\n"
       "JRL204 1:34-1:50 [33,49) this selector already stands in the list | "
       "note first written here 1:16"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(summary(c.input), c.expected) << c.input;
  }
}

// A warning's report is made from its own lines only; its line numbers,
// columns and line text are still those of the whole file.
TEST(Check, WarningReportsOnLaterLines) {
  const std::string input =
      "// \xC3\xA9\xC3\xA9\nSELECT 1 FROM TAG(\"a\") : \"x\";\n"
      "SELECT 1 FROM [TAG(\"\xC3\xA9\"),\n    TAG(\"\xC3\xA9\")] : \"y\";\n"
      "SELECT 1 FROM RANGE(MATH 3000,\n  MATH 2000) : \"z\";\n";
  const std::vector<jrl::Diagnostic> found = jrl::check(input);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].code, "JRL204");
  EXPECT_EQ(place(found[0].start) + "-" + place(found[0].end), "4:5-4:13");
  EXPECT_EQ(found[0].report,
            " --> 4:5\n  |\n4 |     TAG(\"\xC3\xA9\")] : \"y\";\n"
            "  |     ^------^\n  |\n"
            "  = this selector already stands in the list");
  EXPECT_EQ(found[1].code, "JRL202");
  EXPECT_EQ(place(found[1].start) + "-" + place(found[1].end), "5:15-6:13");
  EXPECT_EQ(found[1].report,
            " --> 5:15\n  |\n5 | SELECT 1 FROM RANGE(MATH 3000,\n"
            "6 |   MATH 2000) : \"z\";\xE2\x90\x8A\n  |            ^--^\n  |\n"
            "  = the range ends at MATH 2000, below its start MATH 3000");
  // The report is the one over the whole text.
  for (const jrl::Diagnostic& d : found) {
    EXPECT_EQ(d.report, jrl::Error::over_span(input, d.offset, d.end_offset,
                                              d.message)
                            .render());
  }
}

// Two hundred diagnostics on one line of megabytes: each later report
// shows the line around its mark only, while the first error keeps the
// report of parse, whole.
TEST(Check, ReportsOnALongLineStaySmall) {
  std::string list = "SELECT 1 FROM [";
  for (int i = 0; i < 150'000; ++i) list += "TAG(\"a\"), ";
  list += "TAG(\"a\")] : \"x\";";
  const std::vector<jrl::Diagnostic> warnings = jrl::check(list);
  ASSERT_EQ(warnings.size(), 200u);
  for (const jrl::Diagnostic& d : warnings) {
    EXPECT_EQ(d.code, "JRL204");
    EXPECT_LT(d.report.size(), 600u);
    EXPECT_EQ(d.start.column, d.offset + 1);
  }
  const std::string failing = list + "\nSELECT 1 FROM TAG(\"a\") \"x\";\n" +
                              list.substr(0, list.size() - 1) + " \"x\";";
  const std::vector<jrl::Diagnostic> errors = jrl::check(failing);
  ASSERT_EQ(errors.size(), 2u);
  const auto parsed = jrl::parse(failing);
  ASSERT_FALSE(parsed);
  EXPECT_EQ(errors[0].report, parsed.error().render());
  EXPECT_LT(errors[1].report.size(), 600u);
  // Searching fixes would parse the megabyte statement hundreds of times.
  EXPECT_TRUE(errors[1].suggestions.empty());
  EXPECT_GT(list.size(), 1'000'000u);
}

TEST(Check, FirstErrorIsTheErrorOfParse) {
  std::vector<std::string> inputs = {
      "SELECT 1 FROM CLASS(MATH 1200) : \"x\"",
      "SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : \"x\";",
      "garbage",
      "SELECT 1 FROM TAG(\"a\") : \"x\" : 70000;",
      "SELECT 1 FROM TAG(\"a\xff\") : \"x\";",
  };
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "SELECT 1 FROM ";
  inputs.push_back(deep + "TAG(\"a\") : \"x\";");
  const std::filesystem::path errors =
      std::filesystem::path(JRL_TEST_DATA_DIR) / ".." / ".." / "examples" / "errors";
  for (const auto& entry : std::filesystem::directory_iterator(errors)) {
    if (entry.path().extension() != ".jrl") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Every one-byte deletion of a small file.
  const std::string base =
      "SELECT 1 FROM [CLASS(MATH 1200), TAG(\"a\")] : \"x\" : 2;\n"
      "LIMIT 1-2 FROM RANGE_TAG(MATH 1000, MATH 2000, \"t\") : \"y\";\n";
  for (std::size_t i = 0; i < base.size(); ++i) {
    inputs.push_back(base.substr(0, i) + base.substr(i + 1));
  }
  std::size_t failing = 0;
  for (const std::string& input : inputs) {
    auto parsed = jrl::parse(input);
    const auto diagnostics = jrl::check(input);
    if (parsed) {
      for (const auto& d : diagnostics) {
        EXPECT_EQ(d.severity, jrl::Severity::warning) << input;
      }
      continue;
    }
    ++failing;
    ASSERT_FALSE(diagnostics.empty()) << input;
    const jrl::Diagnostic& first = diagnostics.front();
    EXPECT_EQ(first.report, parsed.error().render()) << input;
    ASSERT_TRUE(first.error.has_value());
    EXPECT_TRUE(*first.error == parsed.error()) << input;
    EXPECT_LE(first.offset, first.end_offset);
    EXPECT_LE(first.end_offset, input.size());
    // diagnose() gives the same from the parse's error alone.
    const jrl::Diagnostic alone = jrl::diagnose(input, parsed.error());
    EXPECT_EQ(same_diagnostic(alone, first), "") << input;
  }
  EXPECT_GT(failing, 80u);
}

TEST(Check, FixesOfSyntaxErrors) {
  const Case cases[] = {
      {"SELECT 1 FROM CLASS(MATH 1200) : \"x\"\nSELECT 1 FROM TAG(\"a\") : \"y\";",
       "insert `;` @36,36"},
      {"SELECT 1 FROM [CLASS(MATH 1200), TAG(\"a\") : \"x\";", "insert `]` @41,41"},
      {"SELECT 1 FROM CLASS(MATH 1200), TAG(\"a\")] : \"x\";", "insert `[` @14,14"},
      {"SELECT 1 FROM TAG\"a\") : \"x\";", "insert `(` @17,17"},
      {"SELECT 1 FROM TAG(a\") : \"x\";", "insert `\"` @18,18"},
      {"SELECT 1 FROM CLASS(MATH 1200) : x\";", "insert `\"` @33,33"},
      {"SELECT 1 FROM TAG(\"WX a) : \"x\";", "insert `\"` @23,23"},
      {"SELECT 1 FROM [TAG(\"a\"); TAG(\"b\")] : \"x\";", "replace `;` with `,` @23,24"},
      {"SELECT 1 FROM RANGE(MATH 1200 MATH 1300) : \"x\";", "insert `,` @29,29"},
      {"Select 1 FROM TAG(\"a\") : \"x\";", "replace `Select` with `SELECT` @0,6"},
      {"SELECT 1 FRMO TAG(\"a\") : \"x\";", "replace `FRMO` with `FROM` @9,13"},
      {"SELECT 1 FROM CLASS(Math1200) : \"x\";", "replace `Math` with `MATH` @20,24"},
  };
  for (const Case& c : cases) {
    const auto diagnostics = jrl::check(c.input);
    ASSERT_FALSE(diagnostics.empty()) << c.input;
    ASSERT_FALSE(diagnostics.front().suggestions.empty()) << c.input;
    const auto& s = diagnostics.front().suggestions.front();
    std::string got = s.message;
    std::string fixed(c.input);
    for (const auto& e : s.edits) {
      got += " @" + std::to_string(e.offset) + "," + std::to_string(e.end_offset);
      fixed.replace(e.offset, e.end_offset - e.offset, e.replacement);
    }
    EXPECT_EQ(got, c.expected) << c.input;
    EXPECT_TRUE(jrl::parse(fixed).has_value()) << fixed;
  }
  // No edit of one character can mend two mistakes: no suggestion.
  EXPECT_TRUE(jrl::check("SELECT 1 FORM CLASS(MATH 1200 : \"x\";")
                  .front()
                  .suggestions.empty());
}

// Every fix offered on the corpora mends what it says: applied, its
// diagnostic goes and no error appears that was not there before (at the
// same place, moved by the edit). Warnings are looked for only in files
// that parse, so a fix that makes a file parse may bring some to light: none
// may touch the edited text.
TEST(Check, EveryFixOfTheCorporaMends) {
  std::set<std::string> fixed_codes;
  jrl::CheckOptions after_options;
  after_options.suggestions = false;
  for (const auto& [name, text] : jrl_test::corpus_texts()) {
    const std::vector<jrl::Diagnostic> before = jrl::check(text);
    for (const jrl::Diagnostic& d : before) {
      for (const jrl::Suggestion& s : d.suggestions) {
        fixed_codes.insert(d.code);
        std::string fixed = text;
        // Edits apply together: the last first, so offsets stay good.
        std::vector<jrl::TextEdit> edits = s.edits;
        std::ranges::sort(edits, std::greater<>(), &jrl::TextEdit::offset);
        for (const jrl::TextEdit& e : edits) {
          fixed.replace(e.offset, e.end_offset - e.offset, e.replacement);
        }
        auto moved = [&](std::size_t at) {
          for (const jrl::TextEdit& e : s.edits) {
            if (at >= e.end_offset) {
              at = at + e.replacement.size() - (e.end_offset - e.offset);
            }
          }
          return at;
        };
        const std::string where = name + ": " + s.message;
        const jrl::LineIndex lines(text);
        for (const jrl::TextEdit& e : s.edits) {
          EXPECT_EQ(e.start, lines.at(e.offset)) << where;
          EXPECT_EQ(e.end, lines.at(e.end_offset)) << where;
        }
        for (const jrl::Diagnostic& a : jrl::check(fixed, after_options)) {
          if (a.severity == jrl::Severity::warning) {
            for (const jrl::TextEdit& e : s.edits) {
              const std::size_t edit_end = e.offset + e.replacement.size();
              EXPECT_TRUE(a.end_offset < e.offset || a.offset > edit_end)
                  << where << " brings " << a.code << " " << a.message;
            }
            continue;
          }
          EXPECT_FALSE(a.code == d.code && a.offset == moved(d.offset))
              << where << " leaves " << a.message;
          const bool was_there = std::ranges::any_of(before, [&](const auto& b) {
            return &b != &d && b.code == a.code && b.message == a.message &&
                   moved(b.offset) == a.offset;
          });
          EXPECT_TRUE(was_there) << where << " brings " << a.code << " "
                                 << a.message << " at " << a.offset;
        }
      }
    }
  }
  // The corpora hold mistakes of every kind a fix is offered for.
  EXPECT_EQ(fixed_codes, (std::set<std::string>{"JRL010", "JRL031", "JRL033"}));
}

// A fix is offered only where the statement then parses: a department fix
// names a code a file can hold, and a statement with a second mistake gets
// none. The report's own "Did you mean" names the closest of all codes.
TEST(Check, FixesAreTriedBeforeTheyAreOffered) {
  const Case cases[] = {
      // The closest code, MUS, is one of the registry's shorter codes.
      {"SELECT 1 FROM CLASS(MUSC 1100) : \"Music\";",
       "JRL033 1:21-1:25 [20,24) this department does not exist in Wexmoor's "
       "course catalog (Did you mean: MUS)"},
      {"SELECT 1 FROM CLASS(ECOM 1100) : \"x\";",
       "JRL033 1:21-1:25 [20,24) this department does not exist in Wexmoor's "
       "course catalog (Did you mean: ECON) | replace `ECOM` with `ECON` "
       "@20,24"},
      {"SELECT 1 FROM [CLASS(ECOM 1100), CLASS(MATX 1200)] : \"x\";",
       "JRL033 1:22-1:26 [21,25) this department does not exist in Wexmoor's "
       "course catalog (Did you mean: ECON)"},
      {"SELECT 1 FROM CLAS(MATH 1100, MATH 1200) : \"x\";",
       "JRL031 1:15-1:19 [14,18) not a valid query (Did you mean: CLASS)"},
      // The missing ")" would bring the zero to light: it is named, not
      // offered.
      {"SELECT 0 FROM CLASS(MATH 1200 : \"x\";",
       "JRL010 1:30-1:31 [29,30) missing `)` to close `CLASS(`"},
  };
  for (const Case& c : cases) EXPECT_EQ(summary(c.input), c.expected);
}

// A syntax error leads with what the mistake is, at its place; after a
// missing ";" the next statement's own fault comes in the same run.
TEST(Check, LeadsWithTheMistakeAtItsPlace) {
  const Case cases[] = {
      {"SELECT 1 FROM CLASS(MATH 1200) : \"a\"\nSELECT 1 FROM CLAS(MATH 1210) : "
       "\"b\";",
       "JRL010 1:37-1:37 [36,36) missing `;` after this requirement | insert "
       "`;` @36,36\n"
       "JRL031 2:15-2:19 [51,55) not a valid query (Did you mean: CLASS) | "
       "replace `CLAS` with `CLASS` @51,55"},
      {"SELECT 1 FROM CLASS(MATH 1200) OR CLASS(MATH 1210) : \"a\";",
       "JRL010 1:32-1:34 [31,33) `OR` is not a word of the language; to let "
       "any of several selectors count, list them: `SELECT 1 FROM [CLASS(...), "
       "CLASS(...)]`"},
      {"SELECT 1 FROM CLASS(HIST-1100) : \"a\";",
       "JRL010 1:25-1:26 [24,25) a course is written with a space between "
       "department and number: `HIST 1100` | replace `-` with ` ` @24,25"},
      {"SELECT 1 FROM CLASS(HIST 101) : \"a\";",
       "JRL010 1:26-1:29 [25,28) a course number has four digits, such as "
       "`1200`"},
      {"SELECT 1 FROM TAG(WX Europe) : \"a\";",
       "JRL010 1:19-1:28 [18,27) `TAG(` takes a string here: `\"WX Europe\"` | "
       "put `WX Europe` in double quotes @18,18 @27,27"},
      {"SELECT 1 FROM [CLASS(MATH 1200),] : \"a\";",
       "JRL010 1:32-1:33 [31,32) a list cannot end with a comma | remove `,` "
       "@31,32"},
      {"SELECT 1 FROM CLASS(MATH 1200) : 'a';",
       "JRL010 1:34-1:37 [33,36) a string needs double quotes | replace the "
       "single quotes with double quotes @33,34 @35,36"},
      {"SELECT 1 FROM CLASS(MATH 1200) : \"a\" : high;",
       "JRL010 1:40-1:44 [39,43) a priority is a whole number from 0 to 65535"},
      {"# a\nSELECT 1 FROM CLASS(MATH 1200) : \"a\";",
       "JRL010 1:1-1:2 [0,1) a comment starts with `//` | replace `#` with "
       "`//` @0,1"},
      {"SELECT 1 FROM TAG(\"a\");",
       "JRL010 1:23-1:24 [22,23) a requirement needs a description after its "
       "selector: `: \"...\"`"},
  };
  for (const Case& c : cases) EXPECT_EQ(summary(c.input), c.expected);
}

// No message of a broken example speaks of the grammar's own names.
TEST(Check, MessagesSpeakTheLanguage) {
  constexpr std::string_view GRAMMAR_WORDS[] = {
      "u16", "EOI", "primitive", "selector_", "class_id", "tag_dept",
      "expected file", "quantity_"};
  std::size_t broken = 0;
  for (const auto& [name, text] : jrl_test::corpus_texts()) {
    if (name.find("examples") == std::string::npos) continue;
    // Each character deleted, and a space put in its place.
    for (std::size_t i = 0; i < text.size(); i += 7) {
      for (const std::string_view put : {"", " "}) {
        const std::string edited =
            text.substr(0, i) + std::string(put) + text.substr(i + 1);
        for (const jrl::Diagnostic& d : jrl::check(edited)) {
          ++broken;
          for (std::string_view word : GRAMMAR_WORDS) {
            EXPECT_EQ(d.message.find(word), std::string::npos)
                << d.message << "\n" << edited;
          }
        }
      }
    }
  }
  EXPECT_GT(broken, 100u);
}

TEST(Check, OptionsCapAndSwitchOff) {
  std::string many;
  for (int i = 0; i < 50; ++i) many += "SELECT 0 FROM TAG(\"a\") : \"x\";\n";
  jrl::CheckOptions options;
  options.max_diagnostics = 7;
  EXPECT_EQ(jrl::check(many, options).size(), 7u);
  options.max_diagnostics = 0;  // the first error always comes
  EXPECT_EQ(jrl::check(many, options).size(), 1u);
  options = {};
  options.warnings = false;
  EXPECT_TRUE(jrl::check("SELECT 1 FROM TAG(\"\") : \"x\";", options).empty());
  options.suggestions = false;
  EXPECT_TRUE(jrl::check("SELECT 1 FROM TAG(\"a\") : \"x\"", options)
                  .front()
                  .suggestions.empty());
}

TEST(Check, ReportForNamesThePath) {
  const auto d = jrl::check("SELECT 0 FROM TAG(\"a\") : \"x\";").front();
  EXPECT_EQ(d.report_for("f.jrl"), jrl::parse("SELECT 0 FROM TAG(\"a\") : \"x\";")
                                       .error()
                                       .render("f.jrl"));
}

TEST(Diagnose, ReadsTheTextAsParseDoes) {
  // check skips a byte-order mark; parse, and so diagnose, read it as text.
  const std::string text = "\xEF\xBB\xBFSELECT 0 FROM TAG(\"a\") : \"x\";";
  const auto parsed = jrl::parse(text);
  ASSERT_FALSE(parsed.has_value());
  const jrl::Diagnostic d = jrl::diagnose(text, parsed.error());
  EXPECT_EQ(d.code, "JRL010");
  EXPECT_EQ(d.report, parsed.error().render());
  EXPECT_EQ(d.offset, 0u);
  EXPECT_EQ(jrl::check(text).front().code, "JRL020");
}

// "[start,end)" for each span.
std::string spans_text(const auto& spans) {
  std::string out;
  for (const auto& s : spans) {
    out += '[';
    out += std::to_string(s.start);
    out += ',';
    out += std::to_string(s.end);
    out += ')';
  }
  return out;
}

TEST(SplitStatements, CutsAfterTopLevelSemicolons) {
  const Case cases[] = {
      {"", "[0,0)"},
      {"a;b;", "[0,2)[2,4)"},
      {"a; b", "[0,2)[2,4)"},
      {"x(\";\");y", "[0,7)[7,8)"},
      {"x // ;\n;", "[0,8)"},
      {"[a; b]; c;", "[0,7)[7,10)"},
      {"(a; SELECT b;", "[0,3)[3,13)"},
      {"(a;", "[0,3)"},
      {"\"unclosed; x;", "[0,10)[10,13)"},
      {"))a;", "[0,4)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(spans_text(jrl::diagnostics::split_statements(c.input)),
              c.expected)
        << c.input;
    // The public face of the same splitter.
    EXPECT_EQ(spans_text(jrl::statement_spans(c.input)), c.expected)
        << c.input;
    // Stopped at a byte: the same segments up to the one that holds it.
    const auto all = jrl::diagnostics::split_statements(c.input);
    for (std::size_t until = 0; until < c.input.size(); ++until) {
      const auto some = jrl::diagnostics::split_statements(c.input, until);
      ASSERT_LE(some.size(), all.size());
      EXPECT_EQ(spans_text(some), spans_text(std::span(all).first(some.size())))
          << c.input << " until " << until;
      EXPECT_TRUE(until < some.back().end) << c.input << " until " << until;
    }
  }
}

TEST(DiagnosticCodes, TableIsOrderedAndFindable) {
  const auto codes = jrl::diagnostic_codes();
  for (std::size_t i = 1; i < codes.size(); ++i) {
    EXPECT_LT(codes[i - 1].code, codes[i].code);
  }
  for (const auto& c : codes) {
    EXPECT_EQ(jrl::find_diagnostic_code(c.code), &c);
    EXPECT_EQ(c.code.size(), 6u);
    EXPECT_EQ(c.severity == jrl::Severity::warning, c.code[3] == '2') << c.code;
  }
  EXPECT_EQ(jrl::find_diagnostic_code("JRL999"), nullptr);
}

TEST(DiagnosticCodes, UnreadableFileIsATableCode) {
  const jrl::Diagnostic d = jrl::unreadable_file("cannot read a.jrl");
  const jrl::DiagnosticCode* entry = jrl::find_diagnostic_code(d.code);
  ASSERT_NE(entry, nullptr) << d.code;
  EXPECT_EQ(entry->name, "unreadable-file");
  EXPECT_EQ(d.severity, entry->severity);
  EXPECT_EQ(d.message, "cannot read a.jrl");
  EXPECT_TRUE(d.report.empty() && !d.error);
}

}  // namespace
