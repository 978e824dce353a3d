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
  TextEdit edit;
  std::string message;
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

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('`');
  out.append(text);
  out.push_back('`');
  return out;
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

  void insert(std::size_t at, std::string_view text) {
    add(edit_of(at, at, text), "insert " + quoted(text));
  }
  void replace(std::size_t start, std::size_t end, std::string_view old_text,
               std::string_view text) {
    add(edit_of(start, end, text),
        "replace " + quoted(old_text) + " with " + quoted(text));
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
  void add(TextEdit edit, std::string message) {
    for (const Candidate& c : items_) {
      if (c.edit == edit) return;
    }
    const std::size_t d = distance(edit.offset, error_pos_);
    items_.push_back({std::move(edit), std::move(message), d, items_.size()});
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
      out.replace(token.start, token.end, word, keyword);
    }
  }
  // A function name run into its argument: CLASSMATH 1200).
  for (std::string_view name : FUNCTIONS) {
    for (const std::string& spelt : {std::string(name), lower(name)}) {
      if (word.size() > spelt.size() && word.starts_with(spelt)) {
        out.insert(token.start + spelt.size(), "(");
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
    out.replace(token.start, token.start + 4, letters_part, upper(letters_part));
  }
}

}  // namespace

std::vector<Suggestion> syntax_fixes(std::string_view statement,
                                     std::size_t error_pos,
                                     std::size_t limit) {
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
      if (text != old_text) candidates.replace(t.start, t.end, old_text, text);
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
        candidates.insert(tokens[gap].start, text);
      }
    }
  }

  // Two statements run together: the error often lies far before the end
  // of the first, so the place before each later keyword that begins a
  // statement is tried too.
  std::size_t joins = 0;
  for (std::size_t i = std::max<std::size_t>(k, 1); i < n && joins < 4; ++i) {
    const std::string_view word =
        statement.substr(tokens[i].start, tokens[i].end - tokens[i].start);
    if (tokens[i].kind == TokenKind::word &&
        (word == "SELECT" || word == "LIMIT")) {
      candidates.insert(tokens[i - 1].end, ";");
      ++joins;
    }
  }

  std::vector<Suggestion> out;
  std::size_t trials = 0;
  for (Candidate& c : std::move(candidates).sorted()) {
    if (out.size() >= limit || ++trials > MAX_TRIALS) break;
    if (mends(statement, c.edit)) {
      out.push_back({std::move(c.message), {std::move(c.edit)}});
    }
  }
  return out;
}

bool mends(std::string_view statement, const TextEdit& edit) {
  std::string edited(statement.substr(0, edit.offset));
  edited += edit.replacement;
  edited += statement.substr(edit.end_offset);
  return check_text(edited).has_value();
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
