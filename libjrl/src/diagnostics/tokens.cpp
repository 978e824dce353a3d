#include "diagnostics/tokens.hpp"

#include <algorithm>

#include "text/char_classes.hpp"
#include "text/utf8.hpp"

namespace jrl::diagnostics {
namespace {

// Reads tokens one at a time, skipping whitespace and comments before each.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  void skip_blanks() { pos_ = after_blanks(text_, pos_); }

  bool next(Token& token) {
    skip_blanks();
    if (pos_ >= text_.size()) return false;
    token.start = pos_;
    const char c = text_[pos_];
    if (chars::is_word_char(c)) {
      while (pos_ < text_.size() && chars::is_word_char(text_[pos_])) ++pos_;
      token.kind = TokenKind::word;
    } else if (c == '"' && closed_string()) {
      token.kind = TokenKind::string;
    } else {
      pos_ += char_length(text_, pos_);
      token.kind = TokenKind::punctuation;
    }
    token.end = pos_;
    return true;
  }

  std::size_t pos() const { return pos_; }

 private:
  // A string that closes before the line ends: consumes it.
  bool closed_string() {
    for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
      const char c = text_[i];
      if (c == '\n' || c == '\r') return false;
      if (c != '"') continue;
      if (i + 1 < text_.size() && text_[i + 1] == '"') {
        ++i;  // a doubled quote stands for one
        continue;
      }
      pos_ = i + 1;
      return true;
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool starts_statement(std::string_view text, const Token& token) {
  const std::string_view word = text.substr(token.start, token.end - token.start);
  return token.kind == TokenKind::word && (word == "SELECT" || word == "LIMIT");
}

}  // namespace

std::size_t after_blanks(std::string_view text, std::size_t pos) {
  while (pos < text.size()) {
    if (chars::is_space(text[pos])) {
      ++pos;
    } else if (text.substr(pos, 2) == "//") {
      const std::size_t lf = text.find('\n', pos);
      pos = lf == std::string_view::npos ? text.size() : lf;
    } else {
      break;
    }
  }
  return pos;
}

std::optional<std::pair<std::size_t, std::size_t>> token_span(
    std::string_view text) {
  Lexer lexer(text);
  Token token;
  if (!lexer.next(token)) return std::nullopt;
  const std::size_t first = token.start;
  std::size_t last = token.end;
  while (lexer.next(token)) last = token.end;
  return std::pair{first, last};
}

std::size_t char_length(std::string_view text, std::size_t i) {
  return utf8::decode(text, i).length;
}

std::vector<Token> tokenize(std::string_view text) {
  std::vector<Token> tokens;
  Lexer lexer(text);
  Token token;
  while (lexer.next(token)) tokens.push_back(token);
  return tokens;
}

std::vector<Segment> split_statements(std::string_view text,
                                      std::size_t until) {
  std::vector<Segment> segments;
  Lexer lexer(text);
  std::size_t start = 0;
  std::size_t depth = 0;
  Token token;
  while (lexer.next(token)) {
    if (token.kind != TokenKind::punctuation) continue;
    const char c = text[token.start];
    if (c == '(' || c == '[') {
      ++depth;
    } else if (c == ')' || c == ']') {
      if (depth > 0) --depth;
    } else if (c == ';') {
      bool ends = depth == 0;
      if (!ends) {
        Lexer ahead = lexer;
        Token following;
        ends = !ahead.next(following) || starts_statement(text, following);
      }
      if (ends) {
        segments.push_back({start, token.end});
        if (until < token.end) return segments;
        start = token.end;
        depth = 0;
      }
    }
  }
  if (start < text.size() || segments.empty()) {
    segments.push_back({start, text.size()});
  }
  return segments;
}

std::size_t segment_holding(const std::vector<Segment>& segments,
                            std::size_t pos) {
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (pos < segments[i].end) return i;
  }
  return segments.size() - 1;
}

}  // namespace jrl::diagnostics
