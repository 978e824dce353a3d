#include "diagnostics/fixes.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "text/char_classes.hpp"
#include "text/check_text.hpp"
#include "diagnostics/tokens.hpp"
#include "jrl/departments.hpp"
#include "jrl/selector_functions.hpp"
#include "language/grammar.hpp"

namespace jrl::diagnostics {
namespace {

// How far from the error edits are tried, in tokens, and how many trial
// runs one error may cost: the grammar is linear, so this bounds the work.
constexpr std::size_t TOKENS_BEFORE = 24;
constexpr std::size_t TOKENS_AFTER = 8;
constexpr std::size_t MAX_TRIALS = 600;

constexpr std::array<std::string_view, 3> KEYWORDS = {"SELECT", "LIMIT",
                                                      "FROM"};
// The function names, each before the shorter ones it starts with.
constexpr auto FUNCTIONS = [] {
  std::array<std::string_view, selector_functions().size()> names{};
  std::ranges::transform(selector_functions(), names.begin(),
                         &SelectorFunction::name);
  // An insertion sort by length, longest first, keeps table order at one
  // length.
  for (std::size_t i = 1; i < names.size(); ++i) {
    for (std::size_t j = i; j > 0 && names[j - 1].size() < names[j].size();
         --j) {
      std::swap(names[j - 1], names[j]);
    }
  }
  return names;
}();
// Inserted after the token before a gap, closing what it follows.
constexpr std::array<std::string_view, 6> CLOSERS = {";", ":", ")",
                                                     "]", ",", "\""};
// Inserted before the token after a gap, opening what follows.
constexpr std::array<std::string_view, 3> OPENERS = {"(", "[", "\""};

// Written in place of another mark.
constexpr std::array<std::string_view, 5> MARKS = {",", ";", ":", ")", "]"};

struct Candidate {
  std::vector<TextEdit> edits;
  std::string message;
  RepairKind kind = RepairKind::close_mark;
  std::string old_text;
  std::string text;
  std::size_t distance = 0;
  std::size_t order = 0;  // when it was added
};

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = chars::to_upper(c);
  }
  return out;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = chars::to_lower(c);
  }
  return out;
}

// Edit distance with transpositions of neighbours (optimal string
// alignment), for short words.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  std::vector<std::size_t> d((n + 1) * (m + 1));
  auto at = [&](std::size_t i, std::size_t j) -> std::size_t& {
    return d[i * (m + 1) + j];
  };
  for (std::size_t i = 0; i <= n; ++i) at(i, 0) = i;
  for (std::size_t j = 0; j <= m; ++j) at(0, j) = j;
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1,
                           at(i - 1, j - 1) + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
      }
    }
  }
  return at(n, m);
}

// An edit of [start, end); its lines and columns are the checker's to set.
TextEdit edit_of(std::size_t start, std::size_t end, std::string_view text) {
  TextEdit edit;
  edit.offset = start;
  edit.end_offset = end;
  edit.replacement = text;
  return edit;
}

std::size_t distance(std::size_t a, std::size_t b) {
  return a > b ? a - b : b - a;
}

class CandidateList {
 public:
  explicit CandidateList(std::size_t error_pos) : error_pos_(error_pos) {}

  void insert(std::size_t at, std::string_view text,
              RepairKind kind = RepairKind::close_mark) {
    add({edit_of(at, at, text)}, "insert " + quoted(text), kind, {}, text);
  }
  void replace(std::size_t start, std::size_t end, std::string_view old_text,
               std::string_view text, RepairKind kind) {
    add({edit_of(start, end, text)},
        text.empty() ? "remove " + quoted(old_text)
                     : "replace " + quoted(old_text) + " with " + quoted(text),
        kind, old_text, text);
  }
  // Edits made together, said in `message`.
  void several(std::vector<TextEdit> edits, std::string message,
               RepairKind kind, std::string_view old_text,
               std::string_view text) {
    add(std::move(edits), std::move(message), kind, old_text, text);
  }

  // Nearest the error first; at one distance, in the order added.
  std::vector<Candidate> sorted() && {
    std::sort(items_.begin(), items_.end(),
              [](const Candidate& a, const Candidate& b) {
                return a.distance != b.distance ? a.distance < b.distance
                                                : a.order < b.order;
              });
    return std::move(items_);
  }

 private:
  void add(std::vector<TextEdit> edits, std::string message, RepairKind kind,
           std::string_view old_text, std::string_view text) {
    for (const Candidate& c : items_) {
      if (c.edits == edits) return;
    }
    const std::size_t d = distance(edits.front().offset, error_pos_);
    items_.push_back({std::move(edits), std::move(message), kind,
                      std::string(old_text), std::string(text), d,
                      items_.size()});
  }

  std::size_t error_pos_;
  std::vector<Candidate> items_;
};

// Edits of one word: a misspelt keyword, a function name run into its
// argument, a department not written in capitals.
void word_edits(std::string_view statement, const Token& token,
                const Token* next, CandidateList& out) {
  const std::string_view word =
      statement.substr(token.start, token.end - token.start);
  const bool letters = std::all_of(word.begin(), word.end(), chars::is_letter);
  const std::string capitals = upper(word);
  for (std::string_view keyword : KEYWORDS) {
    if (word == keyword || !letters) continue;
    const std::size_t allowed = keyword.size() >= 5 ? 2 : 1;
    if (capitals == keyword || edit_distance(capitals, keyword) <= allowed) {
      out.replace(token.start, token.end, word, keyword, RepairKind::keyword);
    }
  }
  // A function name run into its argument: CLASSMATH 1200).
  for (std::string_view name : FUNCTIONS) {
    for (const std::string& spelt : {std::string(name), lower(name)}) {
      if (word.size() > spelt.size() && word.starts_with(spelt)) {
        out.insert(token.start + spelt.size(), "(", RepairKind::call_paren);
      }
    }
  }
  // A department in lower or mixed case, before its course number or with
  // the number joined to it.
  std::size_t letter_count = 0;
  while (letter_count < word.size() && chars::is_letter(word[letter_count])) {
    ++letter_count;
  }
  const std::string_view letters_part = word.substr(0, letter_count);
  const bool number_follows =
      letter_count < word.size() ||
      (next != nullptr && next->kind == TokenKind::word &&
       chars::is_digit(statement[next->start]));
  if (letter_count == 4 && number_follows && upper(letters_part) != letters_part) {
    out.replace(token.start, token.start + 4, letters_part,
                upper(letters_part), RepairKind::capitals);
  }
}

// Edits of marks and of text that a reader writes as another language
// would: a trailing comma, single quotes, a "#" comment, HIST-1100, an
// argument that should be a string.
void mark_edits(std::string_view statement, const std::vector<Token>& tokens,
                std::size_t lo, std::size_t hi, CandidateList& out) {
  const std::size_t n = tokens.size();
  auto text_of = [&](std::size_t i) {
    return statement.substr(tokens[i].start, tokens[i].end - tokens[i].start);
  };
  for (std::size_t i = lo; i < hi; ++i) {
    const Token& t = tokens[i];
    if (t.kind != TokenKind::punctuation) continue;
    const std::string_view mark = text_of(i);
    if (mark.size() == 1 && std::string_view(",;:()[]").find(mark[0]) !=
                                std::string_view::npos) {
      out.replace(t.start, t.end, mark, "", RepairKind::remove_mark);
    }
    if (mark == "#") {
      out.replace(t.start, t.end, mark, "//", RepairKind::comment);
    } else if (mark == "'") {
      // Its partner on the same line.
      for (std::size_t j = i + 1; j < n; ++j) {
        if (statement.substr(t.end, tokens[j].start - t.end).find('\n') !=
            std::string_view::npos) {
          break;
        }
        if (text_of(j) != "'") continue;
        out.several({edit_of(t.start, t.end, "\""),
                      edit_of(tokens[j].start, tokens[j].end, "\"")},
                     "replace the single quotes with double quotes",
                     RepairKind::double_quotes, "'", "\"");
        break;
      }
    } else if (mark == "-" && i > 0 && i + 1 < n &&
               tokens[i - 1].end == t.start && tokens[i + 1].start == t.end &&
               chars::is_digit(statement[t.end])) {
      out.replace(t.start, t.end, mark, " ", RepairKind::course_space);
    }
  }
  // A course with other space than one blank between its department and
  // its number.
  for (std::size_t i = lo; i + 1 < hi; ++i) {
    const Token& t = tokens[i];
    const std::string_view gap =
        statement.substr(t.end, tokens[i + 1].start - t.end);
    if (t.kind == TokenKind::word && t.end - t.start == 4 && !gap.empty() &&
        gap != " " && chars::is_digit(statement[tokens[i + 1].start])) {
      out.replace(t.end, tokens[i + 1].start, gap, " ",
                  RepairKind::course_space);
    }
  }
  // Words between "(" or "," and "," or ")" that should be one string.
  for (std::size_t i = lo; i < hi; ++i) {
    const std::string_view open = text_of(i);
    if (tokens[i].kind != TokenKind::punctuation || (open != "(" && open != ","))
      continue;
    std::size_t j = i + 1;
    while (j < n && tokens[j].kind == TokenKind::word) ++j;
    if (j == i + 1 || j >= n || (text_of(j) != ")" && text_of(j) != ",")) {
      continue;
    }
    const std::size_t start = tokens[i + 1].start;
    const std::size_t end = tokens[j - 1].end;
    const std::string_view words = statement.substr(start, end - start);
    out.several({edit_of(start, start, "\""), edit_of(end, end, "\"")},
                "put " + quoted(words) + " in double quotes",
                RepairKind::quote_argument, words, "\"");
  }
}

// Whether inserting `edit`, a ";", ends a requirement that reads on its
// own, with more of the statement after it: two statements run together.
bool ends_requirement(std::string_view statement, const TextEdit& edit) {
  const std::string edited = applied(statement, {edit});
  const std::vector<Segment> pieces = split_statements(edited);
  const std::size_t i = segment_holding(pieces, edit.offset);
  if (pieces[i].end != edit.offset + 1 || i + 1 >= pieces.size()) return false;
  return check_text(std::string_view(edited).substr(
                        pieces[i].start, pieces[i].end - pieces[i].start))
      .has_value();
}

}  // namespace

std::vector<Repair> syntax_repairs(std::string_view statement,
                                   std::size_t error_pos, std::size_t limit) {
  const std::vector<Token> tokens = tokenize(statement);
  const std::size_t n = tokens.size();
  std::size_t k = 0;  // the token at or after the error
  while (k < n && tokens[k].end <= error_pos) ++k;
  const std::size_t lo = k > TOKENS_BEFORE ? k - TOKENS_BEFORE : 0;
  const std::size_t hi = std::min(n, k + TOKENS_AFTER);

  CandidateList candidates(error_pos);
  for (std::size_t i = lo; i < hi; ++i) {
    if (tokens[i].kind == TokenKind::word) {
      word_edits(statement, tokens[i], i + 1 < n ? &tokens[i + 1] : nullptr,
                 candidates);
    }
  }
  // A closing quote lost inside a call: the string then runs on to the next
  // quote, so the place where it should end lies inside the string token.
  for (std::size_t i = lo; i < hi; ++i) {
    const Token& t = tokens[i];
    if (t.kind != TokenKind::string) continue;
    for (std::size_t p = t.start + 2; p + 1 < t.end; ++p) {
      if (chars::is_string_word_char(statement[p - 1]) &&
          !chars::is_string_word_char(statement[p])) {
        candidates.insert(p, "\"");
      }
    }
  }
  // One punctuation mark written for another: a ";" in a list, ")" for "]".
  for (std::size_t i = lo; i < hi; ++i) {
    const Token& t = tokens[i];
    if (t.kind != TokenKind::punctuation || t.end - t.start != 1) continue;
    const std::string_view old_text = statement.substr(t.start, 1);
    for (std::string_view text : MARKS) {
      if (text != old_text) {
        candidates.replace(t.start, t.end, old_text, text,
                           RepairKind::replace_mark);
      }
    }
  }
  for (std::size_t gap = lo; gap <= hi; ++gap) {
    if (gap > 0) {
      for (std::string_view text : CLOSERS) {
        candidates.insert(tokens[gap - 1].end, text);
      }
    }
    if (gap < n) {
      for (std::string_view text : OPENERS) {
        candidates.insert(tokens[gap].start, text, RepairKind::open_mark);
      }
    }
  }
  mark_edits(statement, tokens, lo, hi, candidates);

  // Two statements run together: the error often lies far before the end
  // of the first, so the place before each later keyword that begins a
  // statement is tried too.
  std::vector<TextEdit> joins;
  for (std::size_t i = std::max<std::size_t>(k, 1);
       i < n && joins.size() < 4; ++i) {
    const std::string_view word =
        statement.substr(tokens[i].start, tokens[i].end - tokens[i].start);
    if (tokens[i].kind == TokenKind::word &&
        (word == "SELECT" || word == "LIMIT")) {
      candidates.insert(tokens[i - 1].end, ";");
      joins.push_back(edit_of(tokens[i - 1].end, tokens[i - 1].end, ";"));
    }
  }
  // Before the first keyword that begins a statement, at or before the
  // error, too: the error may lie in the second of the two.
  for (std::size_t i = std::min(k, n); i-- > 1;) {
    const std::string_view word =
        statement.substr(tokens[i].start, tokens[i].end - tokens[i].start);
    if (tokens[i].kind == TokenKind::word &&
        (word == "SELECT" || word == "LIMIT")) {
      joins.insert(joins.begin(),
                   edit_of(tokens[i - 1].end, tokens[i - 1].end, ";"));
      break;
    }
  }

  std::vector<Repair> out;
  // The nearest edit after which the grammar accepts the statement, though
  // it then fails to build: it names the mistake, but is not offered, as it
  // would bring the other fault to light.
  std::optional<Repair> named;
  std::size_t trials = 0;
  for (Candidate& c : std::move(candidates).sorted()) {
    if (out.size() >= limit || ++trials > MAX_TRIALS) break;
    const auto trial = check_text(applied(statement, c.edits));
    if (trial.has_value()) {
      out.push_back({{std::move(c.message), std::move(c.edits)},
                     c.kind,
                     std::move(c.old_text),
                     std::move(c.text)});
    } else if (!named && c.kind != RepairKind::quote_argument &&
               trial.error().innermost().fault() != Fault::syntax &&
               !trial.error().is_internal()) {
      named = Repair{{std::move(c.message), std::move(c.edits)},
                     c.kind,
                     std::move(c.old_text),
                     std::move(c.text)};
      named->offered = false;
    }
  }
  // No single edit mends the statement: a ";" that ends a requirement which
  // then reads lets the reading go on with the text after it.
  if (out.empty()) {
    for (TextEdit& edit : joins) {
      if (ends_requirement(statement, edit)) {
        out.push_back({{"insert " + quoted(";"), {std::move(edit)}},
                       RepairKind::close_mark,
                       "",
                       ";"});
        out.back().splits = true;
        break;
      }
    }
  }
  if (out.empty() && named) out.push_back(std::move(*named));
  return out;
}

std::vector<Suggestion> syntax_fixes(std::string_view statement,
                                     std::size_t error_pos,
                                     std::size_t limit) {
  std::vector<Suggestion> out;
  for (Repair& r : syntax_repairs(statement, error_pos, limit)) {
    if (r.offered) out.push_back(std::move(r.suggestion));
  }
  return out;
}

std::string applied(std::string_view statement,
                    const std::vector<TextEdit>& edits) {
  std::string edited;
  std::size_t at = 0;
  for (const TextEdit& edit : edits) {
    edited += statement.substr(at, edit.offset - at);
    edited += edit.replacement;
    at = edit.end_offset;
  }
  edited += statement.substr(at);
  return edited;
}

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('`');
  out.append(text);
  out.push_back('`');
  return out;
}

bool mends(std::string_view statement, const TextEdit& edit) {
  return check_text(applied(statement, {edit})).has_value();
}

std::optional<Suggestion> named_fix(const ErrorFrame& frame,
                                    std::string_view statement,
                                    std::size_t statement_start) {
  const ReportError* report = frame.report();
  if (report == nullptr || !report->end() ||
      report->start() < statement_start ||
      *report->end() > statement_start + statement.size()) {
    return std::nullopt;
  }
  const std::size_t start = report->start() - statement_start;
  const std::size_t end = *report->end() - statement_start;
  const std::string_view old_text = statement.substr(start, end - start);
  std::optional<std::string_view> word;
  if (frame.fault() == Fault::unknown_department) {
    word = closest_department(old_text);
  } else if (!frame.detail().replacement.empty()) {
    word = frame.detail().replacement;
  }
  if (!word || *word == old_text) return std::nullopt;
  TextEdit edit = edit_of(start, end, *word);
  if (!mends(statement, edit)) return std::nullopt;
  edit.offset += statement_start;
  edit.end_offset += statement_start;
  return Suggestion{"replace " + quoted(old_text) + " with " + quoted(*word),
                    {std::move(edit)}};
}

}  // namespace jrl::diagnostics
