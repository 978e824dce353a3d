// The words of each mistake: tables from what a repair mends, and from what
// the grammar wanted, to what a reader of the language calls it.
#include "diagnostics/mistake_words.hpp"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "diagnostics/tokens.hpp"
#include "language/rule.hpp"
#include "text/char_classes.hpp"
#include "text/check_text.hpp"

namespace jrl::diagnostics {
namespace {

constexpr std::string_view SELECTOR =
    "a selector such as `CLASS(...)`, a list `[...]` or a nested `SELECT`";
constexpr std::string_view REQUIREMENT =
    "a requirement such as `SELECT 1 FROM CLASS(MATH 1200) : \"...\";`";
// A statement where a selector cannot stand: at the top level.
constexpr std::string_view ANOTHER =
    "another requirement, `SELECT ...` or `LIMIT ...`";
constexpr std::string_view PRIORITY =
    "a priority is a whole number from 0 to 65535";

// What each rule of the grammar stands for, in the words of the language;
// empty for rules a reader never writes on purpose.
struct RuleWords {
  Rule rule;
  std::string_view words;
};
constexpr std::array<RuleWords, RULE_COUNT> RULE_WORDS = {{
    {Rule::EOI, "the end of the file"},
    {Rule::WHITESPACE, ""},
    {Rule::COMMENT, ""},
    {Rule::select, "`SELECT`"},
    {Rule::limit, "`LIMIT`"},
    {Rule::from, "`FROM`"},
    {Rule::quantity_single, "a number of courses such as `2` or `2-3`"},
    {Rule::quantity_many, "a number of courses such as `2` or `2-3`"},
    {Rule::quantity, "a number of courses such as `2` or `2-3`"},
    {Rule::class_, SELECTOR},
    {Rule::placement, SELECTOR},
    {Rule::tag, SELECTOR},
    {Rule::range, SELECTOR},
    {Rule::tag_dept, SELECTOR},
    {Rule::dist, SELECTOR},
    {Rule::dist_dept, SELECTOR},
    {Rule::range_dist, SELECTOR},
    {Rule::range_tag, SELECTOR},
    {Rule::bad_query, SELECTOR},
    {Rule::query_name, SELECTOR},
    {Rule::string, "a string in double quotes"},
    {Rule::department_id_char, "a department code such as `MATH`"},
    {Rule::bad_department_id, "a department code such as `MATH`"},
    {Rule::department_id, "a department code such as `MATH`"},
    {Rule::class_id, "a four-digit course number such as `1200`"},
    {Rule::class_argument, "a course such as `MATH 1200`"},
    {Rule::query_argument,
     "a course such as `MATH 1200` or a string in double quotes"},
    {Rule::lpar, "`(`"},
    {Rule::rpar, "`)`"},
    {Rule::XYZ, SELECTOR},
    {Rule::selector_list, SELECTOR},
    {Rule::selector_single, SELECTOR},
    {Rule::selector, SELECTOR},
    {Rule::semicolon, "`;`"},
    {Rule::statement, ANOTHER},
    {Rule::sep, "`:`"},
    {Rule::description, "a description `: \"...\"`"},
    {Rule::priority, "a priority `: 30`"},
    {Rule::special_statement, REQUIREMENT},
    {Rule::file, REQUIREMENT},
}};

constexpr bool rule_words_complete() {
  for (std::size_t i = 0; i < RULE_WORDS.size(); ++i) {
    if (static_cast<std::size_t>(RULE_WORDS[i].rule) != i) return false;
  }
  return true;
}
static_assert(rule_words_complete(), "one row per rule, in the order of Rule");

// What a missing mark is for, by the mark and where it goes.
struct MarkWords {
  std::string_view mark;
  std::string_view in_call;  // inside NAME( ... ); {} stands for NAME
  std::string_view elsewhere;
};
constexpr std::array<MarkWords, 6> MISSING_AFTER = {{
    {";", "", "missing `;` after this requirement"},
    {":", "", "missing `:` before the description"},
    {")", "missing `)` to close `{}(`", "missing `)`"},
    {"]", "", "missing `]` to close the list"},
    {",", "missing `,` between the arguments of `{}(`",
     "missing `,` between two selectors"},
    {"\"", "", "missing `\"` to end the string"},
}};
constexpr std::array<MarkWords, 3> MISSING_BEFORE = {{
    {"(", "", "missing `(` after `{}`"},
    {"[", "", "missing `[` to open the list"},
    {"\"", "", "missing `\"` to start the string"},
}};

// Words a reader may try that the language does not have, and what it has.
struct ForeignWord {
  std::string_view word;
  std::string_view message;
};
constexpr std::array<ForeignWord, 2> FOREIGN_WORDS = {{
    {"OR",
     "`OR` is not a word of the language; to let any of several selectors "
     "count, list them: `SELECT 1 FROM [CLASS(...), CLASS(...)]`"},
    {"AND",
     "`AND` is not a word of the language; to ask for several selectors, "
     "list them: `SELECT 2 FROM [CLASS(...), CLASS(...)]`"},
}};

std::string code(std::string_view text) { return quoted(text); }

// `pattern` with its "{}" replaced by `name`.
std::string filled(std::string_view pattern, std::string_view name) {
  const std::size_t at = pattern.find("{}");
  if (at == std::string_view::npos) return std::string(pattern);
  return std::string(pattern.substr(0, at)) + std::string(name) +
         std::string(pattern.substr(at + 2));
}

std::string_view text_of(std::string_view statement, const Token& t) {
  return statement.substr(t.start, t.end - t.start);
}

// The name of the call whose "(" is open at byte `pos` of `statement`, if
// the innermost open bracket there is a call's.
std::optional<std::string_view> open_call(std::string_view statement,
                                          std::size_t pos) {
  const std::vector<Token> tokens = tokenize(statement);
  std::vector<std::optional<std::string_view>> open;
  for (std::size_t i = 0; i < tokens.size() && tokens[i].start < pos; ++i) {
    const std::string_view t = text_of(statement, tokens[i]);
    if (t == "(") {
      std::optional<std::string_view> name;
      if (i > 0 && tokens[i - 1].kind == TokenKind::word) {
        name = text_of(statement, tokens[i - 1]);
      }
      open.push_back(name ? name : std::optional<std::string_view>(""));
    } else if (t == "[") {
      open.push_back(std::nullopt);
    } else if ((t == ")" || t == "]") && !open.empty()) {
      open.pop_back();
    }
  }
  if (open.empty() || !open.back() || open.back()->empty()) {
    return std::nullopt;
  }
  return open.back();
}

// The word that ends at byte `pos` of `statement`.
std::string_view word_before(std::string_view statement, std::size_t pos) {
  std::size_t start = pos;
  while (start > 0 && chars::is_word_char(statement[start - 1])) --start;
  return statement.substr(start, pos - start);
}

std::string missing_mark(std::string_view statement, std::size_t at,
                         std::string_view mark, bool after) {
  const auto& table = after ? std::span<const MarkWords>(MISSING_AFTER)
                            : std::span<const MarkWords>(MISSING_BEFORE);
  const auto row = std::ranges::find(table, mark, &MarkWords::mark);
  if (row == table.end()) return "missing " + code(mark);
  if (mark == ":" &&
      chars::is_digit(statement[std::min(after_blanks(statement, at),
                                         statement.size() - 1)])) {
    return "missing `:` before the priority";
  }
  if (!row->in_call.empty()) {
    if (const auto name = open_call(statement, at)) {
      return filled(row->in_call, *name);
    }
  }
  return filled(row->elsewhere, word_before(statement, at));
}

std::string repair_words(std::string_view statement, const Repair& r) {
  const TextEdit& edit = r.suggestion.edits.front();
  switch (r.kind) {
    case RepairKind::close_mark:
      return missing_mark(statement, edit.offset, r.text, true);
    case RepairKind::open_mark:
      return missing_mark(statement, edit.offset, r.text, false);
    case RepairKind::call_paren:
      return "missing `(` after " + code(word_before(statement, edit.offset));
    case RepairKind::keyword:
      return code(r.old_text) + " is not a keyword; did you mean " +
             code(r.text) + "?";
    case RepairKind::capitals:
      return "a department code is written in capitals: " + code(r.text);
    case RepairKind::replace_mark:
      return code(r.old_text) + " cannot stand here; did you mean " +
             code(r.text) + "?";
    case RepairKind::remove_mark: {
      const std::size_t next = after_blanks(statement, edit.end_offset);
      if (r.old_text == "," && next < statement.size() &&
          (statement[next] == ']' || statement[next] == ')')) {
        return "a list cannot end with a comma";
      }
      return code(r.old_text) + " cannot stand here";
    }
    case RepairKind::double_quotes:
      return "a string needs double quotes";
    case RepairKind::comment:
      return "a comment starts with `//`";
    case RepairKind::course_space:
      return "a course is written with a space between department and "
             "number: " +
             code(std::string(word_before(statement, edit.offset)) + " " +
                  std::string(statement.substr(edit.end_offset, 4)));
    case RepairKind::quote_argument: {
      const std::string string = "\"" + r.old_text + "\"";
      if (const auto name = open_call(statement, edit.offset)) {
        return code(std::string(*name) + "(") + " takes a string here: " +
               code(string);
      }
      return "text is written as a string: " + code(string);
    }
  }
  return r.suggestion.message;
}

// "A", "A or B", "A, B or C", each phrase once.
std::string listed(const std::vector<std::string_view>& phrases) {
  std::string out;
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    if (i > 0) out += i + 1 == phrases.size() ? " or " : ", ";
    out += phrases[i];
  }
  return out;
}

// The phrases for the rules that `message` ("expected A, B, or C",
// "unexpected A; expected B") says the grammar wanted.
std::vector<std::string_view> wanted(std::string_view message) {
  std::vector<std::string_view> phrases;
  const std::size_t at = message.rfind("expected ");
  if (at == std::string_view::npos ||
      (at >= 2 && message.substr(at - 2, 2) == "un")) {
    return phrases;
  }
  std::string_view rest = message.substr(at + 9);
  while (!rest.empty()) {
    // The longest display name that starts here.
    std::optional<Rule> best;
    for (std::size_t r = 0; r < RULE_COUNT; ++r) {
      const std::string_view name = rule_display_name(static_cast<Rule>(r));
      if (rest.starts_with(name) &&
          (!best || name.size() > rule_display_name(*best).size())) {
        best = static_cast<Rule>(r);
      }
    }
    if (!best) break;
    rest.remove_prefix(rule_display_name(*best).size());
    const std::string_view words =
        RULE_WORDS[static_cast<std::size_t>(*best)].words;
    if (!words.empty() && std::ranges::find(phrases, words) == phrases.end()) {
      phrases.push_back(words);
    }
    for (std::string_view sep : {", or ", " or ", ", "}) {
      if (rest.starts_with(sep)) {
        rest.remove_prefix(sep.size());
        break;
      }
    }
  }
  // Where a selector may stand, a nested requirement is one of them.
  if (std::ranges::find(phrases, SELECTOR) != phrases.end()) {
    std::erase(phrases, ANOTHER);
  }
  return phrases;
}

// What stands at the token `t`, said for a message: itself, cut short.
std::string found(std::string_view statement, const Token* t) {
  if (t == nullptr) return "the end of the file";
  constexpr std::size_t MAX = 30;
  std::string_view text = text_of(statement, *t);
  if (text.size() <= MAX) return code(text);
  return code(std::string(text.substr(0, MAX)) + "...");
}

}  // namespace

Lead repaired_mistake(std::string_view statement, const Repair& repair) {
  const std::vector<TextEdit>& edits = repair.suggestion.edits;
  Lead lead{repair_words(statement, repair), edits.front().offset,
            std::nullopt};
  const bool insertion = std::ranges::all_of(
      edits, [](const TextEdit& e) { return e.offset == e.end_offset; });
  if (!insertion || edits.size() > 1) lead.end = edits.back().end_offset;
  if (lead.end && *lead.end == lead.start) lead.end.reset();
  return lead;
}

Lead unrepaired_mistake(std::string_view statement, std::size_t error_pos,
                        std::string_view parser_message) {
  const std::vector<Token> tokens = tokenize(statement);
  const std::size_t n = tokens.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text_of(statement, tokens[i]) == "\"") {
      return {"a string cannot run across lines: close it with `\"` on its "
              "line",
              tokens[i].start, std::nullopt};
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (tokens[i].kind != TokenKind::word) continue;
    std::string word(text_of(statement, tokens[i]));
    std::ranges::transform(word, word.begin(), chars::to_upper);
    const auto foreign = std::ranges::find(FOREIGN_WORDS, word,
                                           &ForeignWord::word);
    if (foreign != FOREIGN_WORDS.end() && i > 0) {
      return {std::string(foreign->message), tokens[i].start, tokens[i].end};
    }
    // A course number of other than four digits after a department.
    const std::string_view text = text_of(statement, tokens[i]);
    std::size_t digits = 0;
    while (digits < text.size() && chars::is_digit(text[digits])) ++digits;
    if (i >= 2 && digits > 0 && digits != 4 &&
        tokens[i - 1].kind == TokenKind::word &&
        tokens[i - 1].end - tokens[i - 1].start == 4 &&
        (text_of(statement, tokens[i - 2]) == "(" ||
         text_of(statement, tokens[i - 2]) == ",")) {
      return {"a course number has four digits, such as `1200`",
              tokens[i].start, tokens[i].end};
    }
  }
  std::size_t k = 0;  // the token at or after the error
  while (k < n && tokens[k].end <= error_pos) ++k;
  const Token* at = k < n ? &tokens[k] : nullptr;
  // A file's name given where its text belongs.
  if (n > 0 && error_pos == tokens[0].start) {
    const std::string_view all =
        statement.substr(tokens[0].start, tokens[n - 1].end - tokens[0].start);
    if (all.size() < 256 && all.find_first_of(" \t\r\n") == std::string_view::npos &&
        (all.ends_with(".jrl") || all.find('/') != std::string_view::npos)) {
      return {code(all) + " looks like the name of a file, not its text: a "
                          "requirement starts with `SELECT` or `LIMIT`",
              tokens[0].start, tokens[n - 1].end};
    }
  }
  // A priority that is not a number: `: "..." : high`.
  if (at != nullptr && k >= 3 && text_of(statement, tokens[k - 1]) == ":" &&
      tokens[k - 2].kind == TokenKind::string &&
      text_of(statement, tokens[k - 3]) == ":") {
    return {std::string(PRIORITY), at->start, at->end};
  }
  // A requirement without a description.
  if (n > 1) {
    const bool ends = text_of(statement, tokens[n - 1]) == ";";
    const std::size_t place = ends ? tokens[n - 1].start : tokens[n - 1].end;
    std::string edited(statement.substr(0, place));
    edited += " : \"...\"";
    edited += statement.substr(place);
    if (check_text(edited).has_value()) {
      return {"a requirement needs a description after its selector: "
              "`: \"...\"`",
              place, std::nullopt};
    }
  }
  const std::vector<std::string_view> phrases = wanted(parser_message);
  Lead lead{found(statement, at), at ? at->start : error_pos, std::nullopt};
  if (at) lead.end = at->end;
  if (phrases.empty()) {
    lead.message = lead.message + " cannot stand here";
  } else {
    lead.message = "found " + lead.message + " where " + listed(phrases) +
                   " should be";
  }
  return lead;
}

std::optional<std::string> number_words(const FaultDetail& detail) {
  const std::string bound =
      detail.bound ? std::to_string(*detail.bound) : std::string("65535");
  switch (detail.fault) {
    case Fault::priority_too_large:
      return "a priority is a whole number from 0 to " + bound;
    case Fault::quantity_too_large:
      return "a number of courses is a whole number up to " + bound;
    case Fault::course_number_too_large:
      return "a course number is a whole number up to " + bound;
    default:
      return std::nullopt;
  }
}

}  // namespace jrl::diagnostics
