// Reads the tokens of a text that parses, following the grammar: keywords
// and punctuation where the grammar puts them, with whitespace and comments
// skipped between them. The text has parsed, so every step must succeed;
// the checks only guard against a text that has not.
#include <cstring>

#include "format/token_stream.hpp"
#include "text/number_text.hpp"

namespace jrl::formatting {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word_char(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         c == '_';
}
bool is_department_char(char c) { return (c >= 'A' && c <= 'Z') || c == '&'; }
// Trailing whitespace of a comment, which the layout drops.
bool is_trailing_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

class Reader {
 public:
  Reader(std::string_view text, ChunkSink& sink) : text_(text), sink_(sink) {
    out_.tokens.reserve(64);
  }

  std::expected<void, Error> run() && {
    skip();
    while (pos_ < text_.size()) {
      if (!requirement()) return fault();
      skip();
      hand_over();
    }
    push(TokenKind::end, pos_, 0, false);
    out_.tokens.back().top_level = true;
    out_.tokens.back().line_start = true;
    out_.last = true;
    sink_.take(out_);
    return {};
  }

 private:
  // Hands the requirement just read to the sink, with the comments after
  // it, and keeps those comments for the next chunk.
  void hand_over() {
    Token& next = out_.tokens.emplace_back();
    next.kind = TokenKind::end;
    next.first_comment = assigned_;
    sink_.take(out_);
    out_.comments.erase(out_.comments.begin(),
                        out_.comments.begin() + assigned_);
    assigned_ = 0;
    out_.tokens.clear();
    out_.lists.clear();
    out_.items.clear();
    out_.has_requirement = false;
  }

  std::unexpected<Error> fault() const {
    return std::unexpected(
        Error::internal("the formatter cannot follow the text at byte offset " +
                        std::to_string(pos_)));
  }

  bool at(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool at(std::string_view word) const {
    return text_.substr(pos_, word.size()) == word;
  }

  // Whitespace and comments; counts line feeds to tell trailing comments
  // and blank lines.
  void skip() {
    const std::size_t size = text_.size();
    for (;;) {
      while (pos_ < size) {
        const char c = text_[pos_];
        if (c == '\n') {
          ++newlines_;
        } else if (c != ' ' && c != '\t' && c != '\r') {
          break;
        }
        ++pos_;
      }
      if (pos_ + 1 >= size || text_[pos_] != '/' || text_[pos_ + 1] != '/') {
        return;
      }
      const auto* lf = static_cast<const char*>(
          std::memchr(text_.data() + pos_, '\n', size - pos_));
      const std::size_t end = lf ? lf - text_.data() : size;
      std::size_t trimmed = end;
      while (trimmed > pos_ && is_trailing_space(text_[trimmed - 1])) --trimmed;
      Comment comment;
      comment.start = static_cast<std::uint32_t>(pos_);
      comment.length = static_cast<std::uint32_t>(trimmed - pos_);
      comment.width = char_count(text_.substr(pos_, trimmed - pos_));
      comment.trailing = newlines_ == 0 && seen_token_;
      comment.blank_before = newlines_ >= 2;
      out_.comments.push_back(comment);
      newlines_ = 0;
      pos_ = end;
    }
  }

  void push(TokenKind kind, std::size_t start, std::size_t length,
            bool space_before, std::uint32_t width) {
    // Filled in place: a token built aside and copied in costs a stall on
    // every copy.
    Token& token = out_.tokens.emplace_back();
    token.start = static_cast<std::uint32_t>(start);
    token.length = static_cast<std::uint32_t>(length);
    token.width = width;
    token.kind = kind;
    token.space_before = space_before;
    token.blank_before = newlines_ >= 2;
    token.first_comment = assigned_;
    // Comments before a closing token wait for the token after it.
    if (kind != TokenKind::comma && kind != TokenKind::close_paren &&
        kind != TokenKind::semicolon) {
      assigned_ = static_cast<std::uint32_t>(out_.comments.size());
    }
    newlines_ = 0;
    seen_token_ = true;
  }
  void push(TokenKind kind, std::size_t start, std::size_t length,
            bool space_before) {
    push(kind, start, length, space_before, static_cast<std::uint32_t>(length));
  }

  bool punct(char c, TokenKind kind, bool space_before) {
    if (!at(c)) return false;
    push(kind, pos_, 1, space_before);
    ++pos_;
    return true;
  }

  bool keyword(std::string_view word, bool space_before) {
    if (!at(word)) return false;
    push(TokenKind::keyword, pos_, word.size(), space_before);
    pos_ += word.size();
    return true;
  }

  // A run of digits, printed without its leading zeros.
  bool number(bool space_before) {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && is_digit(text_[pos_])) ++pos_;
    const std::size_t length = pos_ - start;
    if (length == 0) return false;
    std::size_t zeros = 0;
    while (zeros + 1 < length && text_[start + zeros] == '0') ++zeros;
    push(TokenKind::number, start, length, space_before,
         static_cast<std::uint32_t>(length - zeros));
    out_.tokens.back().aux = static_cast<std::uint32_t>(zeros);
    return true;
  }

  bool string(bool space_before) {
    if (!at('"')) return false;
    const std::size_t start = pos_++;
    for (;;) {
      const auto* quote = static_cast<const char*>(
          std::memchr(text_.data() + pos_, '"', text_.size() - pos_));
      if (!quote) return false;
      pos_ = quote - text_.data() + 1;
      if (!at('"')) break;
      ++pos_;  // a doubled quote
    }
    const std::string_view text = text_.substr(start, pos_ - start);
    push(TokenKind::string, start, text.size(), space_before, char_count(text));
    return true;
  }

  // A department of four characters, spaces, four digits and an optional
  // lab marker: printed with one space.
  bool course(bool space_before) {
    const std::size_t start = pos_;
    for (int i = 0; i < 4; ++i, ++pos_) {
      if (pos_ >= text_.size() || !is_department_char(text_[pos_])) {
        return false;
      }
    }
    while (at(' ')) ++pos_;
    const std::size_t number_start = pos_;
    for (int i = 0; i < 4; ++i, ++pos_) {
      if (pos_ >= text_.size() || !is_digit(text_[pos_])) return false;
    }
    if (at('L')) ++pos_;
    const std::size_t number_length = pos_ - number_start;
    push(TokenKind::course, start, pos_ - start, space_before,
         static_cast<std::uint32_t>(5 + number_length));
    out_.tokens.back().aux = static_cast<std::uint32_t>(number_start - start);
    return true;
  }

  bool call(bool space_before) {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && is_word_char(text_[pos_])) ++pos_;
    if (pos_ == start) return false;
    push(TokenKind::name, start, pos_ - start, space_before);
    skip();
    if (!punct('(', TokenKind::open_paren, false)) return false;
    for (bool first = true;; first = false) {
      skip();
      if (!(at('"') ? string(!first) : course(!first))) return false;
      skip();
      if (punct(',', TokenKind::comma, false)) continue;
      return punct(')', TokenKind::close_paren, false);
    }
  }

  // A statement; `tail` receives the list that breaks when it is too long.
  bool statement(bool space_before, std::int32_t& tail) {
    if (!keyword("SELECT", space_before) && !keyword("LIMIT", space_before)) {
      return false;
    }
    skip();
    if (!number(true)) return false;
    if (punct('-', TokenKind::dash, false) && !number(false)) return false;
    skip();
    if (!keyword("FROM", true)) return false;
    skip();
    if (at('[')) return list(true, tail);
    return single(true, tail);
  }

  // A nested statement or a function call.
  bool single(bool space_before, std::int32_t& tail) {
    if (at("SELECT") || at("LIMIT")) return statement(space_before, tail);
    tail = -1;
    return call(space_before);
  }

  bool list(bool space_before, std::int32_t& tail) {
    List list;
    list.open = static_cast<std::uint32_t>(out_.tokens.size());
    punct('[', TokenKind::open_bracket, space_before);
    // The items of the lists being read wait here, innermost last, so each
    // list's items end up next to each other in `items`.
    const std::size_t base = pending_.size();
    for (bool first = true;; first = false) {
      skip();
      Piece item;
      item.first = static_cast<std::uint32_t>(out_.tokens.size());
      if (!single(!first, item.tail)) return false;
      item.last = static_cast<std::uint32_t>(out_.tokens.size() - 1);
      pending_.push_back(item);
      skip();
      if (punct(',', TokenKind::comma, false)) continue;
      list.close = static_cast<std::uint32_t>(out_.tokens.size());
      if (!punct(']', TokenKind::close_bracket, false)) return false;
      break;
    }
    list.first_item = static_cast<std::uint32_t>(out_.items.size());
    out_.items.insert(out_.items.end(), pending_.begin() + base,
                      pending_.end());
    pending_.resize(base);
    list.item_end = static_cast<std::uint32_t>(out_.items.size());
    tail = static_cast<std::int32_t>(out_.lists.size());
    out_.lists.push_back(list);
    return true;
  }

  bool requirement() {
    Piece piece;
    piece.first = static_cast<std::uint32_t>(out_.tokens.size());
    if (!statement(false, piece.tail)) return false;
    skip();
    if (!punct(':', TokenKind::colon, true)) return false;
    skip();
    if (!string(true)) return false;
    skip();
    if (punct(':', TokenKind::colon, true)) {
      skip();
      if (!number(true)) return false;
      skip();
    }
    piece.last = static_cast<std::uint32_t>(out_.tokens.size());
    if (!punct(';', TokenKind::semicolon, false)) return false;
    out_.tokens[piece.first].top_level = true;
    out_.requirement = piece;
    out_.has_requirement = true;
    return true;
  }

  std::string_view text_;
  ChunkSink& sink_;
  std::size_t pos_ = 0;
  bool seen_token_ = false;
  std::uint32_t newlines_ = 0;  // line feeds since the last token or comment
  std::uint32_t assigned_ = 0;  // comments before this index have a token
  std::vector<Piece> pending_;
  TokenStream out_;
};

}  // namespace

std::expected<void, Error> read_tokens(std::string_view text, ChunkSink& sink) {
  return Reader(text, sink).run();
}

}  // namespace jrl::formatting
